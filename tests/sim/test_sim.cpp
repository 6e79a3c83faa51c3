// The simulator's own pieces: scenarios, faults and the fiber unit's replies.
#include "faults.h"
#include "scenario.h"
#include "sim_fiber.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace vireon::sim {
namespace {

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

TEST(FiberUnit, RepliesHaveTheLengthsTheMonitorChecks) {
    SimFiberUnit unit([](double) { return std::array<double, 3>{5, 50, 5000}; }, {});
    EXPECT_FALSE(unit.Answer("I", 0).has_value()) << "silent until the laser is on";
    EXPECT_FALSE(unit.Answer("i", 0).has_value());
    EXPECT_EQ(unit.Answer("I", 0)->size(), 34u);
    EXPECT_EQ(unit.Answer("I", 0)->substr(2, 4), "7310");
    EXPECT_EQ(unit.Answer("I", 0)->substr(16, 8), "00012345");
    EXPECT_EQ(unit.Answer("M", 0)->size(), 579u);
    EXPECT_EQ(unit.Answer("s", 0)->size(), 37u);
    const std::string data = *unit.Answer("S", 0);
    ASSERT_EQ(data.size(), 19u);
    // 5 V/m at 0.01 per count, 50 V/m at 0.1, 5000 V/m at 10 per count.
    EXPECT_EQ(data.substr(2, 9), "1F41F41F4");
    EXPECT_EQ(data.substr(11, 6), "0001FF");
    EXPECT_FALSE(unit.Answer("x", 0).has_value());
    unit.Answer("o", 0);
    EXPECT_FALSE(unit.Answer("S", 0).has_value());
}

TEST(FiberUnit, EncodingInvertsTheCalibrationLine) {
    for (double field : {0.0, 0.37, 12.5, 39.99, 41.0, 399.0, 2500.0, 39000.0}) {
        int count = 0;
        int code = 0;
        SimFiberUnit::Encode(field, count, code);
        int g = 0;
        for (int i = 1; i <= 4; ++i) {
            if (SimFiberUnit::kGainCode[i] == code) {
                g = i;
            }
        }
        ASSERT_GT(g, 0);
        EXPECT_NEAR(count * SimFiberUnit::kSlope[g], field, SimFiberUnit::kSlope[g] / 2 + 1e-9)
            << field;
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

} // namespace
} // namespace vireon::sim
