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

#include <algorithm>
#include <csignal>
#include <fstream>
#include <functional>

namespace vireon::test {
namespace {

// The read period of the live line: a simulator held up for a while on a busy machine still
// answers within it, so that a miss here is the program's and not the scheduler's.
constexpr double kLivePeriodMs = 250;

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
        probe.interval = kLivePeriodMs;
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
        timer.Interval(kLivePeriodMs);
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

// The calibration table is longer than the driver can count before it wakes the program: the
// receive event still takes it, as after a lost link, when it is asked for while running.
TEST(SimLink, TheCalibrationTableComesThroughTheReceiveEvent) {
    LiveRig r;
    SimProcess sim(r.ports, 12, {"--baud", "115200"});
    ASSERT_TRUE(sim.Started()) << sim.Output().toStdString();
    r.cycle.OpenCommPort(12);
    r.link.Output("i\r"); // the laser on; its reply is not wanted
    WaitFor([] { return false; }, 100);
    r.link.Input();
    r.state.LaserState = kLaserRunning;
    r.state.RthresEnabled = 1;
    r.probe.command = "M\r";
    r.probe.threshold = static_cast<int16_t>(fiber::kCalLen);
    bool viaEvent = false;
    r.view.OnProcess = [&viaEvent](AcqState& s) { viaEvent = s.CommEventRCVD == 1; };
    r.cycle.SendCmnd();
    ASSERT_TRUE(WaitFor([&] { return !r.view.processed.empty(); }, 5000));
    r.timer.Enabled(false);
    EXPECT_TRUE(fiber::IsCalibration(r.view.processed[0]));
    EXPECT_TRUE(viaEvent) << "taken by the read tick instead";
}

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
    bool missed;         // that reply was a miss (the command is then sent again)
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
        log.push_back({reply, state != nullptr && state->TimeOut > 0, bare, p_.GetMultiCurrAxis(),
                       p_.Range(), (120000 - clock_.remainingTime()) / 1000.0});
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
    const AcqState* state = nullptr;

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
    logging.state = &r.state;
    // Family-2 replies are decoded by the probe object itself.
    r.view.OnProcess = [&probe](AcqState& s) { probe.InputStr(s.ProbeData); };
    // Field in V/m on every axis, 5 s a step and over again: inside range 1, then 2, 3 and 4,
    // then back down to 3.
    SimProcess sim(
        r.ports, 9,
        {"--probe", "KD-5233 STE", "--range", "1", "--scenario", "steps:5,20,100,500,100@5"});
    ASSERT_TRUE(sim.Started()) << sim.Output().toStdString();
    clock = QDeadlineTimer(120000); // the scenario's time starts with the simulator

    r.cycle.OpenCommPort(9);
    ASSERT_TRUE(r.link.IsOpen());
    r.state.LaserState = kLaserRunning;
    r.state.RthresEnabled = 0;
    r.timer.Interval(50);
    r.timer.Enabled(true);

    // Identification first. On a busy machine the line may stall long enough to lose the link
    // and bring the probe through identification again; the checks below allow for that.
    ASSERT_TRUE(WaitFor([&] { return probe.GetModel() == "KD-5233 STE"; }, 30000))
        << "model so far: " << probe.GetModel() << " after " << logging.log.size() << " commands";
    const size_t identified = logging.log.size();
    EXPECT_EQ(probe.TypeNumb(), 2);
    // One pass of the identification sequence, unless a reply went missing and it started over.
    const bool missedAny = std::any_of(logging.log.begin(), logging.log.end(),
                                       [](const Exchange& e) { return e.missed; });
    EXPECT_TRUE(identified < 60u || missedAny) << identified << " commands to identify";

    // Queue a battery request in the middle of a multiplexed cycle (right after an X reply).
    bool queued = false;
    logging.onCommand = [&](const Exchange& e) {
        if (!queued && IsData(e.reply) && e.axis == 1 && probe.MultiplexOn() == 1) {
            probe.SetNextCmnd("B\r");
            queued = true;
        }
    };
    // Auto-ranging follows the field into the range that holds each of its steps: the ranges
    // held for over a second go 1, 2, 3, 4, 3 in that order, whatever hunting or identification
    // comes between. One pass of the scenario shows it; a line stalled by a busy machine may need
    // some more.
    std::vector<int16_t> held;
    auto ranged = [&] {
        held.clear();
        size_t first = identified;
        for (size_t i = identified; i < logging.log.size(); ++i) {
            if (logging.log[i].range != logging.log[first].range) {
                first = i;
            }
            if (logging.log[i].t - logging.log[first].t > 1.0 &&
                (held.empty() || held.back() != logging.log[i].range)) {
                held.push_back(logging.log[i].range);
            }
        }
        const std::vector<int16_t> steps = {1, 2, 3, 4, 3};
        size_t k = 0;
        for (int16_t range : held) {
            k += k < steps.size() && range == steps[k] ? 1 : 0;
        }
        return k == steps.size();
    };
    ASSERT_TRUE(WaitFor(ranged, 180000)) << "ranges held: " << ::testing::PrintToString(held);
    r.timer.Enabled(false);

    // The multiplexed order: between identifications, each axis command selects the next axis
    // in turn X, Y, Z; after a miss the same command may go again.
    const std::vector<std::string> order = {"AEDD", "ADED", "ADDE"};
    std::string previous;
    size_t checked = 0;
    for (size_t i = identified; i < logging.log.size(); ++i) {
        const Exchange& e = logging.log[i];
        const auto at = std::find(order.begin(), order.end(), e.command);
        if (e.command == "I") {
            previous.clear();
        }
        if (at == order.end() || (e.missed && e.command == previous)) {
            continue;
        }
        if (!previous.empty()) {
            const auto before = std::find(order.begin(), order.end(), previous);
            EXPECT_EQ(e.command, order[static_cast<size_t>(before - order.begin() + 1) % 3])
                << "exchange " << i;
            ++checked;
        }
        previous = e.command;
    }
    EXPECT_GT(checked, 30u);

    // The queued command went out once after a data reply, the Z reply of its cycle (and again
    // only when its reply went missing).
    size_t sentB = 0;
    for (size_t i = identified; i < logging.log.size(); ++i) {
        const Exchange& e = logging.log[i];
        if (e.command == "B" && IsData(e.reply) && !e.missed) {
            ++sentB;
            EXPECT_EQ(e.axis, 3) << "queued command waits for the Z reply";
        }
    }
    EXPECT_TRUE(queued);
    EXPECT_EQ(sentB, 1u);
}

} // namespace
} // namespace vireon::test
