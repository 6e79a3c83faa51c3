// The probe object driving the read cycle against a simulated four-range probe over a real
// pseudo-terminal: identification, the multiplexed X-Y-Z cycle, auto-ranging and a command
// queued mid-cycle.
#include "acquisition/LinuxPortCatalog.h"
#include "acquisition/QtSerialLink.h"
#include "acquisition/QtTiming.h"
#include "acquisition/ReadCycle.h"
#include "probe/clsProbe.h"
#include "support/Fakes.h"
#include "support/SimProcess.h"

#include <QDeadlineTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace vireon::test {
namespace {

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
    TempFolder tmp;
    const QString ports = tmp.Path() + "/ports";
    // Field in V/m on every axis: inside range 1, then 2, 3 and 4, then back down to 3.
    const QString scenario = tmp.Path() + "/steps.csv";
    {
        std::ofstream f(scenario.toStdString());
        f << "0,5,5,5\n9,20,20,20\n13,100,100,100\n17,500,500,500\n21,100,100,100\n";
    }
    SimProcess sim(ports, 9,
                   {"--probe", "KD-5233 STE", "--range", "1", "--scenario", "file:" + scenario});
    ASSERT_TRUE(sim.Started()) << sim.Output().toStdString();

    LinuxPortCatalog catalog(ports.toStdString(), (tmp.Path() + "/by-id").toStdString());
    QtSerialLink link([&catalog](int n) { return catalog.DevicePath(n); });
    QtTimer timer(66, false);
    AcqState state;
    clsProbe probe;
    probe.MultiplexPrefered(1);
    probe.AutoRangeOn(1);
    probe.SampleRate(20);
    QDeadlineTimer clock(120000);
    LoggingProbe logging(probe, clock);
    // Family-2 replies are decoded by the probe object itself.
    FakeAcqView view(state);
    view.OnProcess = [&probe](AcqState& s) { probe.InputStr(s.ProbeData); };
    FakePrompts prompts;
    NoticeBoard notices(prompts);
    QtClock monotonic;
    ReadCycle cycle(state, link, catalog, timer, monotonic, logging, view, notices);
    timer.OnTick = [&] { cycle.OnReadTick(); };

    cycle.OpenCommPort(9);
    ASSERT_TRUE(link.IsOpen());
    state.LaserState = kLaserRunning;
    state.RthresEnabled = 0;
    timer.Interval(50);
    timer.Enabled(true);

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
    timer.Enabled(false);

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
        int16_t r = 0;
        for (const Exchange& e : logging.log) {
            if (e.t <= t) {
                r = e.range;
            }
        }
        return r;
    };
    for (const auto& [t, range] : {std::pair{8.5, 1}, {12.5, 2}, {16.5, 3}, {20.5, 4}, {23.5, 3}}) {
        EXPECT_EQ(rangeAt(t), range) << t << " s";
    }
    EXPECT_EQ(view.clears, 0) << "no reply went missing";
}

} // namespace
} // namespace vireon::test
