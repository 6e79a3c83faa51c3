// Vireon II: monitor for isotropic electromagnetic-field probes.

#include "acquisition/LinuxPortCatalog.h"
#include "acquisition/QtSerialLink.h"
#include "acquisition/QtTiming.h"
#include "common/paths.h"
#include "dialogs/Dialogs.h"
#include "display/frmMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vireon II");
    QApplication::setOrganizationName("vireon2");

    vireon::LinuxPortCatalog ports(vireon::PortsFolder());
    vireon::QtSerialLink link([&ports](int n) { return ports.DevicePath(n); });
    vireon::QtTimerFactory timers(&app);
    vireon::QtClock clock;
    vireon::QtUserPrompts prompts;
    vireon::QtDesktop desktop;
    vireon::QtWindowDialogs dialogs;

    vireon::frmMain window({link, ports, timers, clock, prompts, desktop, dialogs});
    prompts.SetOwner(&window);
    dialogs.SetOwner(&window);
    window.Load();
    window.show();
    return app.exec();
}
