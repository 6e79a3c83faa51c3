// Vireon II: monitor for isotropic electromagnetic-field probes.

#include "acquisition/QtTiming.h"
#include "app/CommandLine.h"
#include "common/paths.h"
#include "dialogs/Dialogs.h"
#include "dialogs/ProgramEnd.h"
#include "display/qt/PdfReport.h"
#include "display/qt/QtSettingsStore.h"
#include "display/qt/frmMain.h"

#include <QApplication>
#include <QSocketNotifier>
#include <memory>
#include <optional>

#if defined(Q_OS_WIN)
#include "acquisition/WinPortCatalog.h"
#include "acquisition/WinSerialLink.h"
#elif defined(Q_OS_LINUX)
#include "acquisition/LinuxPortCatalog.h"
#include "acquisition/QtSerialLink.h"
#else
#include "acquisition/QtPortCatalog.h"
#include "acquisition/QtSerialLink.h"
#endif
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// Logout, kill and Ctrl+C end the program as File > Exit does, without the question: the
// handler only wakes the event loop, which then asks for the end.
int gSignalPipe[2] = {-1, -1};

void OnTermination(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = write(gSignalPipe[1], &c, 1);
}

std::unique_ptr<QSocketNotifier> WatchTerminationSignals(vireon::ProgramEnd& end) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0) {
        return nullptr;
    }
    auto notifier = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &end, [&end] {
        char c = 0;
        [[maybe_unused]] const ssize_t n = read(gSignalPipe[0], &c, 1);
        end.Request();
    });
    struct sigaction sa {};
    sa.sa_handler = OnTermination;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(sig, &sa, nullptr);
    }
    return notifier;
}
#endif

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> status = vireon::RunCommandLine(argc, argv)) {
        return *status;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vireon II");
    QApplication::setOrganizationName("vireon2");
    // Lets the desktop match the window to the installed entry and its icon.
    QApplication::setDesktopFileName("org.vireon.Vireon2");

#if defined(Q_OS_WIN)
    vireon::WinPortCatalog ports;
    vireon::WinSerialLink link([&ports](int n) { return ports.DevicePath(n); });
#else
#ifdef Q_OS_LINUX
    vireon::LinuxPortCatalog ports(vireon::PortsFolder());
#else
    vireon::QtPortCatalog ports;
#endif
    vireon::QtSerialLink link([&ports](int n) { return ports.DevicePath(n); });
#endif
    vireon::QtTimerFactory timers(&app);
    vireon::QtClock clock;
    vireon::QtUserPrompts prompts;
    vireon::QtDesktop desktop;
    vireon::QtWindowDialogs dialogs;
    vireon::QtSettingsStore store;
    vireon::PdfReportPrinter printer;

    vireon::frmMain window({link, ports, timers, clock, prompts, desktop, dialogs, store, printer});
    prompts.SetOwner(&window);
    dialogs.SetOwner(&window);
    vireon::ProgramEnd end([&window] {
        window.EndWithoutQuestion();
        QApplication::quit();
    });
#ifdef Q_OS_UNIX
    const auto terminations = WatchTerminationSignals(end);
#endif
#ifdef Q_OS_WIN
    // Logging off or shutting down Windows ends the program as File > Exit does, without the
    // question: Qt says so just before the system ends the process. After File > Exit this
    // finds the window unloaded already.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                     [&window] { window.EndWithoutQuestion(); });
#endif
    window.Load();
    if (end.Requested()) {
        // Asked to end during start-up: the questions it met were left unanswered.
        window.EndWithoutQuestion();
        return 0;
    }
    end.OutermostLoop(1);
    window.show();
    return app.exec();
}
