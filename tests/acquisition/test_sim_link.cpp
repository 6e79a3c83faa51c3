// The read cycle and the port watch against probe-sim over a real pseudo-terminal.
#include "acquisition/LinuxPortCatalog.h"
#include "acquisition/QtSerialLink.h"
#include "acquisition/QtTiming.h"
#include "acquisition/ReadCycle.h"
#include "probe/fiber_replies.h"
#include "support/Fakes.h"
#include "support/SimProcess.h"

#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

namespace vireon::test {
namespace {

struct LiveRig {
    TempFolder tmp;
    QString ports = tmp.Path() + "/ports";
    LinuxPortCatalog catalog{ports.toStdString(), (tmp.Path() + "/by-id").toStdString()};
    QtSerialLink link{[this](int n) { return catalog.DevicePath(n); }};
    QtTimer timer{66, false};
    AcqState state;
    ScriptedProbe probe;
    FakeAcqView view{state};
    FakePrompts prompts;
    NoticeBoard notices{prompts};
    QtClock clock;
    ReadCycle cycle{state, link, catalog, timer, clock, probe, view, notices};
    struct Tick {
        int16_t timeOut;
        int clears;
    };
    std::vector<Tick> ticks;

    LiveRig() {
        probe.interval = 40;
        timer.OnTick = [this] {
            cycle.OnReadTick();
            ticks.push_back({state.TimeOut, view.clears});
        };
        link.OnReceive = [this] { cycle.OnComm(); };
        link.OnError = [this](int n) { cycle.OnSerialError(n); };
        catalog.DeviceArrival = [this](const std::string& n) { cycle.OnDeviceArrival(n); };
        catalog.DeviceRemoveComplete = [this](const std::string& n) {
            cycle.OnDeviceRemoveComplete(n);
        };
    }
    // Laser on, then the running read cycle in the timer path.
    void Run() {
        link.Output("i\r");
        state.LaserState = kLaserRunning;
        state.RthresEnabled = 0;
        state.ProbeStrLeng = 19;
        timer.Interval(40);
        timer.Enabled(true);
    }
};

TEST(SimLink, PacedRepliesCarryTheLowBatteryFlagThatSigusr1TurnsOver) {
    LiveRig r;
    SimProcess sim(r.ports, 12, {"--baud", "115200", "--battery-low"});
    ASSERT_TRUE(sim.Started()) << sim.Output().toStdString();
    r.cycle.OpenCommPort(12);
    r.Run();
    auto lastLow = [&r](bool low) {
        return [&r, low] {
            const auto& p = r.view.processed;
            return !p.empty() && fiber::DataFields(p.back()) &&
                   fiber::DataFields(p.back())->BatteryLow == low;
        };
    };
    ASSERT_TRUE(WaitFor(lastLow(true), 5000));
    sim.Signal(SIGUSR1);
    ASSERT_TRUE(WaitFor(lastLow(false), 5000));
    sim.Signal(SIGUSR1);
    ASSERT_TRUE(WaitFor(lastLow(true), 5000));
    for (const std::string& reply : r.view.processed) {
        EXPECT_EQ(reply.size(), fiber::kDataLen) << "paced replies arrive whole";
    }
}

// Replies taken in the receive event at a numeric rate, every third one cut short on a paced
// line: the read tick takes what came of it as a miss, and the next reply arrives clean.
TEST(SimLink, ACutReplyIsTakenWholeAndSpoilsNoOther) {
    LiveRig r;
    SimProcess sim(r.ports, 12, {"--baud", "115200", "--truncate", "3"});
    ASSERT_TRUE(sim.Started()) << sim.Output().toStdString();
    r.cycle.OpenCommPort(12);
    r.Run();
    r.state.RthresEnabled = 1;
    r.cycle.SendCmnd();
    ASSERT_TRUE(WaitFor([&] { return r.view.processed.size() >= 12; }, 10000));
    r.timer.Enabled(false);
    for (const std::string& reply : r.view.processed) {
        EXPECT_EQ(reply, ":S1F41F41F40000000\r");
    }
    int misses = 0;
    for (const LiveRig::Tick& t : r.ticks) {
        EXPECT_LE(t.timeOut, 1) << "a miss is never followed by another";
        misses += t.timeOut;
    }
    EXPECT_GE(misses, 3);
    EXPECT_EQ(r.view.clears, 0);
}

// At a numeric rate the link does not watch the line while a reply is on its way, and still
// takes every reply in the receive event: one across when it is due, or one held back past it.
class QuietWait : public ::testing::TestWithParam<const char*> {};

TEST_P(QuietWait, RepliesStillComeThroughTheReceiveEvent) {
    LiveRig r;
    SimProcess sim(r.ports, 12, {"--baud", "115200", "--delay", GetParam()});
    ASSERT_TRUE(sim.Started()) << sim.Output().toStdString();
    r.cycle.OpenCommPort(12);
    r.link.Output("i\r"); // the laser on; its reply is not wanted
    QThread::msleep(50);
    WaitFor([] { return false; }, 50);
    r.link.Input();
    r.state.LaserState = kLaserRunning;
    r.state.RthresEnabled = 1;
    int viaTick = 0;
    r.view.OnProcess = [&viaTick](AcqState& s) { viaTick += s.CommEventRCVD == 1 ? 0 : 1; };
    r.cycle.SendCmnd();
    EXPECT_FALSE(r.link.Watching()) << "the reply's characters would wake the program";
    ASSERT_TRUE(WaitFor([&] { return r.view.processed.size() >= 8; }, 10000));
    r.timer.Enabled(false);
    EXPECT_EQ(viaTick, 0);
    for (const std::string& reply : r.view.processed) {
        EXPECT_EQ(reply, ":S1F41F41F40000000\r");
    }
    for (const LiveRig::Tick& t : r.ticks) {
        EXPECT_EQ(t.timeOut, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(SimLink, QuietWait, ::testing::Values("0", "6"));

// Every reply spoiled one way: four misses leave the display alone, the fifth clears it and
// marks the link lost, later misses hold TimeOut at 5.
class SpoiledReplies : public ::testing::TestWithParam<const char*> {};

TEST_P(SpoiledReplies, FiveMissRule) {
    LiveRig r;
    const QStringList options = QString(GetParam()).split(' ');
    SimProcess sim(r.ports, 12, options);
    ASSERT_TRUE(sim.Started()) << sim.Output().toStdString();
    r.cycle.OpenCommPort(12);
    r.Run();
    ASSERT_TRUE(WaitFor([&] { return r.ticks.size() >= 9; }, 10000));
    r.timer.Enabled(false);
    EXPECT_TRUE(r.view.processed.empty());
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(r.ticks[i].timeOut, static_cast<int16_t>(i + 1));
        EXPECT_EQ(r.ticks[i].clears, 0);
    }
    EXPECT_EQ(r.ticks[4].timeOut, 5);
    EXPECT_EQ(r.ticks[4].clears, 1);
    for (size_t i = 5; i < r.ticks.size(); ++i) {
        EXPECT_EQ(r.ticks[i].timeOut, 5);
        EXPECT_EQ(r.ticks[i].clears, 1);
    }
    EXPECT_EQ(r.probe.lostComm, 1);
}

INSTANTIATE_TEST_SUITE_P(Faults, SpoiledReplies,
                         ::testing::Values("--corrupt 1", "--truncate 1", "--lengthen 1",
                                           "--drop 1", "--truncate 1 --baud 115200"));

TEST(SimLink, UnplugAndReplugFollowTheLink) {
    LiveRig r;
    {
        SimProcess sim(r.ports, 12, {"--scenario", "const:5"});
        ASSERT_TRUE(sim.Started());
        EXPECT_TRUE(r.cycle.PortExists(12));
        EXPECT_FALSE(r.cycle.PortExists(13));
        EXPECT_EQ(r.catalog.DevicePath(12), sim.Device().toStdString());
        ASSERT_TRUE(WaitFor([&] { return r.link.IsOpen(); }, 5000)) << "arrival opens the port";
        EXPECT_EQ(r.view.status, "Laser Detector Unit Connected  (COM12)");
        EXPECT_EQ(r.state.CommPortNo, 12);
        r.Run();
        ASSERT_TRUE(WaitFor([&] { return r.view.processed.size() >= 3; }, 5000));
        for (const std::string& reply : r.view.processed) {
            EXPECT_EQ(reply, ":S1F41F41F40000000\r") << "exact-length replies in the timer path";
        }
        EXPECT_EQ(r.view.clears, 0);
        sim.Stop();
        ASSERT_TRUE(
            WaitFor([&] { return r.view.status == "Laser Detector Unit Disconnected"; }, 5000));
        EXPECT_FALSE(r.link.IsOpen());
        EXPECT_FALSE(r.timer.Enabled());
        EXPECT_EQ(r.state.LaserState, kLaserOff);
        EXPECT_EQ(r.state.CommPortOpenOk, 0);
        EXPECT_FALSE(r.cycle.PortExists(12)) << "a removed link leaves no port behind";
    }
    r.view.status.clear();
    SimProcess again(r.ports, 12);
    ASSERT_TRUE(again.Started());
    ASSERT_TRUE(WaitFor([&] { return r.link.IsOpen(); }, 5000));
    EXPECT_EQ(r.view.status, "Laser Detector Unit Connected  (COM12)");
    EXPECT_EQ(r.link.CommPort(), 12);
    // Killed outright the simulator cannot remove its link; the dead line still tells.
    r.Run();
    ASSERT_TRUE(WaitFor([&] { return r.view.processed.size() >= 3; }, 5000));
    again.Kill();
    ASSERT_TRUE(WaitFor([&] { return r.view.status == "Laser Detector Unit Disconnected"; }, 5000));
    EXPECT_FALSE(r.link.IsOpen());
    EXPECT_FALSE(r.timer.Enabled());
}

} // namespace
} // namespace vireon::test
