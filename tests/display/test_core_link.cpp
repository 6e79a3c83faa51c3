// The window core with the real serial port, port watch and timers, against probe-sim over a
// pseudo-terminal: what a survey engineer's window does while a fiber probe runs.

#include "acquisition/LinuxPortCatalog.h"
#include "acquisition/QtSerialLink.h"
#include "acquisition/QtTiming.h"
#include "support/FakeWindow.h"
#include "support/SimProcess.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace vireon::test {
namespace {

struct LinkRig {
    TempFolder tmp;
    QString ports = tmp.Path() + "/ports";
    LinuxPortCatalog catalog{ports.toStdString(), (tmp.Path() + "/by-id").toStdString()};
    QtSerialLink link{[this](int n) { return catalog.DevicePath(n); }};
    QtTimerFactory timers{nullptr};
    QtClock clock;
    FakePrompts prompts;
    FakeDesktop desktop{tmp.Std()};
    ManualScheduler unused; // the dialogs' fake wants a clock for the splash; not used here
    FakeDialogs dialogs{unused};
    FakeStore store;
    FakeWindowView view;
    std::unique_ptr<WindowCore> core;

    explicit LinkRig(int com) {
        CfgSettings c;
        SetCfgDefaults(c, tmp.Std());
        c.CommPortNo = static_cast<int16_t>(com);
        c.BattTempUpdateInterval = 50; // 10 s
        std::ofstream(tmp.Std() + "/VireonII.cfg", std::ios::binary) << CfgText(c);
        core = std::make_unique<WindowCore>(
            WindowPlatform{link, catalog, timers, clock, prompts, desktop, dialogs, store}, view);
    }
    ~LinkRig() { core.reset(); }
};

int Count(const QString& text, const QString& what) {
    return static_cast<int>(text.count(QRegularExpression(what)));
}

// With a 10 s interval the unit's status goes out every 10.2 s while the data flows.
TEST(CoreLink, StatusRequestsKeepTheirIntervalWhileTheDataFlows) {
    LinkRig r(14);
    SimProcess sim(r.ports, 14, {"--verbose", "--scenario", "const:5"});
    ASSERT_TRUE(sim.Started()) << sim.Output().toStdString();
    r.core->Load(); // the splash takes its 3 s of real time
    ASSERT_TRUE(r.link.IsOpen());
    r.core->OnClick(Ctl::CmdStart);
    ASSERT_TRUE(WaitFor([&] { return r.core->State().LaserState == kLaserRunning; }, 15000))
        << sim.Output().toStdString();
    const int before = Count(sim.Output(), "probe-sim: s -> ");
    // The next two status requests, 10.2 s apart: about 153 readings at 15 a second.
    ASSERT_TRUE(
        WaitFor([&] { return Count(sim.Output(), "probe-sim: s -> ") >= before + 2; }, 25000))
        << sim.Output().right(3000).toStdString();
    QStringList commands;
    for (const QString& line : sim.Output().split('\n')) {
        const auto m = QRegularExpression("^probe-sim: (\\w+) -> ").match(line);
        if (m.hasMatch()) {
            commands << m.captured(1);
        }
    }
    const auto last = commands.lastIndexOf("s");
    const auto previous = commands.lastIndexOf("s", last - 1);
    ASSERT_GT(previous, 0);
    const auto readings = commands.mid(previous + 1, last - previous - 1).count("S");
    EXPECT_NEAR(readings, 153, 20) << "readings between two status requests";
    r.core->OnClick(Ctl::CmdOff);
    WaitFor([&] { return r.core->State().LaserState == kLaserOff; }, 2000);
}

} // namespace
} // namespace vireon::test
