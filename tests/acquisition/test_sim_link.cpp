// The read cycle and the port watch against probe-sim over a real pseudo-terminal, with a
// scripted probe object and with the real one driving a four-range probe.
#include "acquisition/LinuxPortCatalog.h"
#include "acquisition/QtSerialLink.h"
#include "acquisition/QtTiming.h"
#include "acquisition/ReadCycle.h"
#include "probe/clsProbe.h"
#include "probe/fiber_replies.h"
#include "support/Fakes.h"
#include "support/SimProcess.h"

#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <functional>

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
    ReadCycle cycle;
    struct Tick {
        int16_t timeOut;
        int clears;
    };
    std::vector<Tick> ticks;

    // The scripted probe object unless another is given.
    explicit LiveRig(ProbeCommands* commands = nullptr)
        : cycle{state, link, catalog, timer, clock, commands ? *commands : probe, view, notices} {
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

TEST(SimLink, UnplugAndReplugFollowTheLink) {
    LiveRig r;
    {
        SimProcess sim(r.ports, 12, {"--scenario", "const:5"});
        ASSERT_TRUE(sim.Started());
        EXPECT_TRUE(r.cycle.PortExists(12));
        EXPECT_FALSE(r.cycle.PortExists(13));
        EXPECT_EQ(r.catalog.DevicePath(12), sim.Device().toStdString());
        ASSERT_TRUE(WaitFor([&] { return r.link.IsOpen(); }, 5000)) << "arrival opens the port";
        r.Run();
        ASSERT_TRUE(WaitFor([&] { return r.view.processed.size() >= 3; }, 5000));
        sim.Stop();
        ASSERT_TRUE(
            WaitFor([&] { return r.view.status == "Laser Detector Unit Disconnected"; }, 5000));
        EXPECT_FALSE(r.link.IsOpen());
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

struct Exchange {
    std::string reply;   // the reply the command was chosen from
    std::string command; // without its carriage return
    int16_t axis;        // axis of the last data reply (multiplexing)
    int16_t range;
    double t; // seconds since the cycle started
};

// The probe object as the read cycle sees it, keeping a log of every exchange.
class LoggingProbe : public ProbeCommands {
public:
    LoggingProbe(clsProbe& p, QDeadlineTimer& clock) : p_(p), clock_(clock) {}
    std::string GetNextCmnd(const std::string& reply) override {
        std::string cmd = p_.GetNextCmnd(reply);
        std::string bare = cmd;
        if (!bare.empty() && bare.back() == '\r') {
            bare.pop_back();
        }
        log.push_back({reply, bare, p_.GetMultiCurrAxis(), p_.Range(),
                       (120000 - clock_.remainingTime()) / 1000.0});
        if (onCommand) {
            onCommand(log.back());
        }
        return cmd;
    }
    int16_t GetRThreshold() override { return p_.GetRThreshold(); }
    double GetTimerInterval() override { return p_.GetTimerInterval(); }
    void LostComm(int16_t v) override { p_.LostComm(static_cast<uint8_t>(v)); }
    void StartARProbe(int16_t v) override { p_.StartARProbe(static_cast<uint8_t>(v)); }
    void InputStr2(const std::string& reply) override { p_.InputStr2(reply); }
    std::vector<Exchange> log;
    std::function<void(const Exchange&)> onCommand;

private:
    clsProbe& p_;
    QDeadlineTimer& clock_;
};

bool IsData(const std::string& reply) {
    return reply.rfind(":D", 0) == 0 || reply.rfind("#Q", 0) == 0;
}

TEST(ProbeLink, FourRangeProbeIdentifiesMultiplexesAndRanges) {
    clsProbe probe;
    probe.MultiplexPrefered(1);
    probe.AutoRangeOn(1);
    probe.SampleRate(20);
    QDeadlineTimer clock;
    LoggingProbe logging(probe, clock);
    LiveRig r(&logging);
    // Family-2 replies are decoded by the probe object itself.
    r.view.OnProcess = [&probe](AcqState& s) { probe.InputStr(s.ProbeData); };
    // Field in V/m on every axis: inside range 1, then 2, 3 and 4, then back down to 3.
    const QString scenario = r.tmp.Path() + "/steps.csv";
    std::ofstream(scenario.toStdString())
        << "0,5,5,5\n9,20,20,20\n13,100,100,100\n17,500,500,500\n21,100,100,100\n";
    SimProcess sim(r.ports, 9,
                   {"--probe", "KD-5233 STE", "--range", "1", "--scenario", "file:" + scenario});
    ASSERT_TRUE(sim.Started()) << sim.Output().toStdString();
    clock = QDeadlineTimer(120000); // the scenario's time starts with the simulator

    r.cycle.OpenCommPort(9);
    ASSERT_TRUE(r.link.IsOpen());
    r.state.LaserState = kLaserRunning;
    r.state.RthresEnabled = 0;
    r.timer.Interval(50);
    r.timer.Enabled(true);

    // Identification first.
    ASSERT_TRUE(WaitFor([&] { return probe.GetModel() == "KD-5233 STE"; }, 8000))
        << "model so far: " << probe.GetModel() << " after " << logging.log.size() << " commands";
    const size_t identified = logging.log.size();
    EXPECT_EQ(probe.TypeNumb(), 2);
    EXPECT_LT(identified, 60u) << "identified within the identification sequence";

    // Queue a battery request in the middle of a multiplexed cycle (right after an X reply).
    bool queued = false;
    logging.onCommand = [&](const Exchange& e) {
        if (!queued && e.t > 10.5 && IsData(e.reply) && e.axis == 1 && probe.MultiplexOn() == 1) {
            probe.SetNextCmnd("B\r");
            queued = true;
        }
    };
    ASSERT_TRUE(WaitFor([&] { return clock.remainingTime() < 120000 - 24000; }, 30000));
    r.timer.Enabled(false);

    // The multiplexed order: each axis command selects the next axis in turn X, Y, Z.
    std::vector<std::string> axisCommands;
    for (size_t i = identified; i < logging.log.size(); ++i) {
        const std::string& c = logging.log[i].command;
        if (c == "AEDD" || c == "ADED" || c == "ADDE") {
            axisCommands.push_back(c);
        }
    }
    ASSERT_GT(axisCommands.size(), 30u);
    const std::vector<std::string> order = {"AEDD", "ADED", "ADDE"};
    size_t start = 0;
    while (axisCommands[start] != "AEDD") {
        ++start;
    }
    for (size_t i = start; i < axisCommands.size(); ++i) {
        EXPECT_EQ(axisCommands[i], order[(i - start) % 3]) << "axis command " << i;
    }

    // The queued command went out once, right after the Z reply of its cycle.
    size_t sentB = 0;
    for (size_t i = identified; i < logging.log.size(); ++i) {
        if (logging.log[i].command == "B") {
            ++sentB;
            EXPECT_TRUE(IsData(logging.log[i].reply));
            EXPECT_EQ(logging.log[i].axis, 3) << "queued command waits for the Z reply";
        }
    }
    EXPECT_TRUE(queued);
    EXPECT_EQ(sentB, 1u);

    // Auto-ranging settles in the range that holds each step of the scenario.
    auto rangeAt = [&](double t) {
        int16_t in = 0;
        for (const Exchange& e : logging.log) {
            if (e.t <= t) {
                in = e.range;
            }
        }
        return in;
    };
    for (const auto& [t, range] : {std::pair{8.5, 1}, {12.5, 2}, {16.5, 3}, {20.5, 4}, {23.5, 3}}) {
        EXPECT_EQ(rangeAt(t), range) << t << " s";
    }
    EXPECT_EQ(r.view.clears, 0) << "no reply went missing";
}

} // namespace
} // namespace vireon::test
