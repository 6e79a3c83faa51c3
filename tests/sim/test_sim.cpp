// The simulator's own pieces: scenarios, faults, the line's timing and the fiber unit's replies.
#include "faults.h"
#include "probe/fiber_replies.h"
#include "scenario.h"
#include "sim_fiber.h"
#include "sim_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace vireon::sim {
namespace {

using namespace std::chrono_literals;

TEST(Scenario, KindsGiveFieldsOverTime) {
    EXPECT_EQ(ParseScenario("const:5")(3)[2], 5);
    EXPECT_EQ(ParseScenario("const:1,2,3")(0)[1], 2);
    const auto steps = ParseScenario("steps:1,10,100@2");
    EXPECT_EQ(steps(0)[0], 1);
    EXPECT_EQ(steps(2.5)[0], 10);
    EXPECT_EQ(steps(4)[0], 100);
    EXPECT_EQ(steps(6)[0], 1) << "steps cycle";
    const auto sine = ParseScenario("sine:10,5,4");
    EXPECT_NEAR(sine(1)[0], 15, 1e-9);
    EXPECT_EQ(sine(3)[0], 0) << "a field is never negative";
    const std::string path = testing::TempDir() + "scenario.csv";
    {
        std::ofstream f(path);
        f << "# t,x,y,z\n0,1,2,3\r\n5,4,5,6\n";
    }
    const auto file = ParseScenario("file:" + path);
    EXPECT_EQ(file(4.9)[2], 3);
    EXPECT_EQ(file(5)[0], 4);
    std::remove(path.c_str());
}

TEST(Scenario, BadTextIsRefusedWithAReason) {
    for (const char* bad : {"5", "const:", "const:1,2", "const:x", "steps:1,2", "steps:1@0",
                            "sine:1,2", "sine:1,2,0", "wobble:3", "file:/nonexistent/x"}) {
        EXPECT_THROW(ParseScenario(bad), std::invalid_argument) << bad;
    }
    for (const char* bad : {"100,50", "@3", "100@0", "101@1", "-1@1", "50.5@1", "5X@1", "L@1"}) {
        EXPECT_THROW(ParseBatterySteps(bad), std::invalid_argument) << bad;
    }
}

TEST(Faults, EveryNthReplyIsHit) {
    FaultInjector f({.dropEvery = 3, .corruptEvery = 2, .truncateEvery = 5, .lengthenEvery = 0});
    std::vector<std::optional<std::string>> out;
    for (int i = 0; i < 6; ++i) {
        out.push_back(f.Apply(":S123\r"));
    }
    EXPECT_EQ(out[0], ":S123\r");
    EXPECT_EQ(out[1], "?S123\r");
    EXPECT_FALSE(out[2].has_value());
    EXPECT_EQ(out[3], "?S123\r");
    EXPECT_EQ(out[4], ":S1");
    EXPECT_FALSE(out[5].has_value());
    FaultInjector longer({.lengthenEvery = 1});
    EXPECT_EQ(longer.Apply(":S1\r"), ":S1~\r");
}

TEST(FiberUnit, RepliesHaveTheDocumentedLayouts) {
    using namespace fiber;
    SimFiberUnit unit([](double) { return std::array<double, 3>{5, 50, 5000}; }, {});
    EXPECT_FALSE(unit.Answer("I", 0).has_value()) << "silent until the laser is on";
    EXPECT_FALSE(unit.Answer("i", 0).has_value());
    const struct {
        std::string_view command;
        size_t length;
    } rows[] = {{kCmdIdentify, kIdentLen},      {kCmdCalibration, kCalLen},
                {kCmdUnitStatus, kStatusLen},   {kCmdData, kDataLen},
                {kCmdTemperature, kTempLen},    {kCmdBattery, kBatteryLen},
                {kCmdBatteryProbe, kBatteryLen}};
    for (const auto& row : rows) {
        const auto reply = unit.Answer(std::string(row.command), 0);
        ASSERT_TRUE(reply.has_value()) << row.command;
        EXPECT_EQ(reply->size(), row.length) << row.command;
        EXPECT_FALSE(std::holds_alternative<Unknown>(Decode(*reply))) << *reply;
    }
    // 5 V/m at 0.01 per count, 50 V/m at 0.1, 5000 V/m at 10 per count.
    const Data data = *DataFields(*unit.Answer("S", 0));
    EXPECT_EQ(data.Counts, (std::array<int16_t, 3>{500, 500, 500}));
    EXPECT_EQ(data.GainCodes, (std::array<uint8_t, 3>{0, 1, 255}));
    EXPECT_FALSE(unit.Answer("x", 0).has_value());
    unit.Answer("o", 0);
    EXPECT_FALSE(unit.Answer("S", 0).has_value());
}

TEST(FiberUnit, BatteryFollowsItsStepsAndTheLowFlagToggle) {
    FiberOptions o;
    o.battery = ParseBatterySteps("100,50,5L@3");
    SimFiberUnit unit([](double) { return std::array<double, 3>{1, 1, 1}; }, o);
    unit.Answer("i", 0);
    const struct {
        double t;
        bool toggle; // SIGUSR1 just before
        int percent;
        bool low;
    } rows[] = {{0, false, 100, false}, {3, false, 50, false}, {6.5, false, 5, true},
                {9, false, 100, false}, {9, true, 100, true},  {15, false, 5, false},
                {15, true, 5, true}};
    for (const auto& row : rows) {
        if (row.toggle) {
            unit.ToggleBatteryLow();
        }
        for (const char* command : {"B", "BP"}) {
            const auto battery =
                std::get<fiber::Battery>(fiber::Decode(*unit.Answer(command, row.t)));
            EXPECT_EQ(battery.Percent, row.percent) << command << " at " << row.t;
            EXPECT_TRUE(battery.Complete);
        }
        EXPECT_EQ(fiber::DataFields(*unit.Answer("S", row.t))->BatteryLow, row.low) << row.t;
    }
}

TEST(FiberUnit, NoDataRepliesComeFirstWhenAsked) {
    FiberOptions o;
    o.noDataReplies = 2;
    SimFiberUnit unit([](double) { return std::array<double, 3>{1, 1, 1}; }, o);
    unit.Answer("i", 0);
    EXPECT_EQ(unit.Answer("S", 0), ":S000000000000000F\r");
    EXPECT_EQ(unit.Answer("S", 0), ":S000000000000000F\r");
    EXPECT_NE(unit.Answer("S", 0), ":S000000000000000F\r");
}

// A manual monotonic clock for the line's timing.
struct ManualClock {
    Nanos t{0};
    MonotonicClock Clock() {
        return [this] { return t; };
    }
};

TEST(WireSchedule, CharactersGoAtTheBaudRateAndBurstsQueueBehindEachOther) {
    ManualClock c;
    WireSchedule line(115200, c.Clock());
    const Nanos t0 = 5ms;
    c.t = t0;
    EXPECT_EQ(line.Queue(19), t0);
    // 10 bits at 115200 baud: 86.806 us a character.
    const struct {
        Nanos at;
        size_t started;
        size_t arrived;
    } rows[] = {{t0, 1, 0},
                {t0 + 86805ns, 1, 0},
                {t0 + 86806ns, 2, 1},
                {t0 + 1562499ns, 18, 17},
                {t0 + 1562500ns, 19, 18}, // byte 18 at 18 x 10 / 115200 s
                {t0 + 1649305ns, 19, 18},
                {t0 + 1649306ns, 19, 19}}; // done at 1.649 ms
    for (const auto& row : rows) {
        c.t = row.at;
        EXPECT_EQ(line.Started(), row.started) << (row.at - t0).count();
        EXPECT_EQ(line.Arrived(), row.arrived) << (row.at - t0).count();
    }
    EXPECT_EQ(line.StartOf(18), t0 + 1562500ns);
    EXPECT_EQ(line.ArrivalOf(18), t0 + 1649306ns);

    c.t = t0 + 1ms;
    EXPECT_EQ(line.Queue(2), t0 + 1649306ns) << "ready while the line is busy";
    EXPECT_EQ(line.ArrivalOf(20), t0 + 1822917ns);
    c.t = t0 + 10ms;
    EXPECT_EQ(line.Queue(1, t0 + 9ms), t0 + 9ms) << "the line was idle when it became ready";
    EXPECT_EQ(line.Started(), 22u);

    WireSchedule unpaced(0, c.Clock());
    unpaced.Queue(100);
    EXPECT_EQ(unpaced.Arrived(), 100u);
}

TEST(SimLine, ACommandCountsOnceAcrossAndItsReplyFollowsOnSchedule) {
    ManualClock c;
    SimLine line(115200, c.Clock());
    line.Received("S\r");
    const Nanos across = 173612ns; // two characters at 115200 baud
    c.t = across - 1ns;
    EXPECT_FALSE(line.NextCommand());
    EXPECT_EQ(line.NextEvent(false), across);
    c.t = across + 30us; // woken a little late
    const auto command = line.NextCommand();
    ASSERT_TRUE(command);
    EXPECT_EQ(command->text, "S");
    EXPECT_EQ(command->arrived, across);

    const std::string reply = ":S1F41F41F40000000\r";
    line.Send(reply, command->arrived);
    EXPECT_EQ(line.Due(), "") << "on the line, not across yet";
    EXPECT_EQ(line.NextEvent(false), across + 86806ns);
    c.t = across + 100us;
    EXPECT_EQ(line.Due(), ":");
    line.Written(1);
    EXPECT_EQ(line.NextEvent(false), across + 173612ns);
    c.t = across + 200us;
    EXPECT_EQ(line.NextEvent(false), across + 173612ns) << "across, not written yet";
    c.t = across + 1649306ns;
    EXPECT_EQ(line.Due(), reply.substr(1)) << "what came across while asleep goes at once";
    line.Written(18);
    EXPECT_FALSE(line.NextEvent(false));
    EXPECT_EQ(line.Stats().commands.at("S"), 1);
    // From the first character going on the line to the last one across.
    EXPECT_DOUBLE_EQ(line.Stats().replySpans.at(19).maxNs, (1649306 - 100000) + 86806);
    // The far end answers 120 µs after the reply was written across.
    c.t += 120us;
    line.Received("S\r");
    EXPECT_DOUBLE_EQ(line.Stats().turnaround.maxNs, 120000);
    EXPECT_EQ(line.Stats().turnaroundBins.at(200), 1);
}

TEST(SimLine, SpreadReplyLeavesEvenlyUntilTheProbeGoesDark) {
    ManualClock c;
    SimLine line(0, c.Clock());
    line.SendSpread("abcde", 1ms, 4ms);
    const struct {
        Nanos at;
        std::string due;
    } rows[] = {{0ms, ""}, {1ms, "a"}, {2ms, "b"}, {3500us, "c"}};
    for (const auto& row : rows) {
        c.t = row.at;
        EXPECT_EQ(line.Due(), row.due) << row.at.count();
        line.Written(row.due.size());
    }
    EXPECT_EQ(line.NextEvent(false), 4ms);
    line.DropWaiting();
    c.t = 10ms;
    EXPECT_EQ(line.Due(), "");
    EXPECT_FALSE(line.NextEvent(false));
}

} // namespace
} // namespace vireon::sim
