// Reply parsing: units tables, flags, averaging, totals and holds.

#include "common/numfmt.h"
#include "probe_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace vireon;
using vireon::testing::Data;
using vireon::testing::Family2;
using vireon::testing::RecordingHost;

namespace {
const std::string kSq(1, kSuperscriptTwo);
}

// Units are squared exactly when their text carries the superscript two.
TEST(ProbeParse, UnitsCodesOfFourRangeProbes) {
    const std::string gre = "KD-5233 GRE";
    // Spot checks of the table, above all where the model changes the reading of a code.
    // clang-format off
    const std::vector<std::tuple<std::string, std::string, std::string, int16_t>> cases = {
        {" V ", "", "V/m", 1},                     {"KV ", "", "k(V/m)", 1},
        {"KV ", gre, "V/m", 1},                    {"MW2", "", "mW/cm" + kSq, 3},
        {" W2", "", "W/cm" + kSq, 3},              {" W2", gre, "mW/cm" + kSq, 3},
        {" V2", "KD-5233 MSE", "k(V/m)" + kSq, 2}, {"KV2", gre, "(V/m)" + kSq, 2},
        {"KV2", "KD-5233 STE", "k(V/m)" + kSq, 2}, {"MA ", "", "m A/m", 1},
        {"MA ", gre, "mA/m", 1},                   {" A2", gre, "m(A/m)" + kSq, 2},
        {" M ", gre, "mA", 2},                     {"   ", "", "A", 1},
        {"UW2", gre, "uW/cm" + kSq, 1},
        {"UW2", "", "", 1}, // unknown codes are reported, in the wording of the model's family
        {"Q#Q", gre, "", 1}};
    // clang-format on
    for (const auto& [code, model, text, cls] : cases) {
        clsProbe p;
        RecordingHost host;
        p.SetHost(&host);
        if (!model.empty()) {
            p.EnterModel(model);
        }
        const int16_t flags = p.InputStr(Data("1.000", code));
        const std::string what = "'" + code + "' " + model;
        EXPECT_NE(flags & clsProbe::kUnitsChanged, 0) << what;
        EXPECT_EQ(p.UnitsStr(), text) << what;
        EXPECT_EQ(p.UnitsClass(), cls) << what;
        if (text.empty()) {
            EXPECT_EQ(host.messages, std::vector<std::string>{model.empty() ? "Units Not Known"
                                                                            : "units not known"});
            continue;
        }
        const bool squared = text.find(kSq) != std::string::npos;
        EXPECT_EQ(p.SquaredUnits(), squared) << what;
        EXPECT_TRUE(host.messages.empty()) << what;
        // "UW2" keeps the previous fraction.
        const bool sq = squared && code != "UW2";
        EXPECT_FLOAT_EQ(p.ThresholdFraction(), sq ? 0.06f : std::sqrt(0.06f)) << what;
    }
}

TEST(ProbeParse, UnitsCodesOfEHProbes) {
    const std::vector<std::tuple<std::string, std::string, int16_t>> cases = {
        {" V ", "V/m", 1},         {"MW2", "mW/cm" + kSq, 2}, {" W2", "W/m" + kSq, 3},
        {"UW2", "uW/cm" + kSq, 4}, {"MA ", "mA/m", 5},        {" A ", "A/m", 1},
    };
    for (const auto& [code, text, unit] : cases) {
        clsProbe p;
        p.TypeNumb(3);
        p.UnitsNo7300(3);
        EXPECT_EQ(p.InputStr(":D12.34" + code + "\r"),
                  clsProbe::kNewReading | clsProbe::kUnitsChanged);
        EXPECT_EQ(p.UnitsStr(), text);
        EXPECT_EQ(p.GetUnitsNo(), unit);
        EXPECT_EQ(p.XYZAxisStr(), "12.34"); // the probe's own text
    }
    clsProbe p;
    RecordingHost host;
    p.SetHost(&host);
    p.TypeNumb(3);
    EXPECT_EQ(p.InputStr(":D12.34XY"), 0); // 9 characters: too short
    p.InputStr(":D12.34XYZ\r");
    EXPECT_EQ(host.messages, std::vector<std::string>{"Units Not Known"});
}

TEST(ProbeParse, Flags) {
    struct Case {
        std::string name;
        std::vector<std::string> before;
        std::string reply;
        int16_t flags;
    };
    const int16_t n = clsProbe::kNewReading;
    const std::vector<Case> cases = {
        {"first data", {}, Data("1.000", " V "), n | 2 | 16},
        {"repeat", {Data("1.000", " V ")}, Data("2.000", " V "), n},
        {"axis change", {Data("1.000", " V ")}, Data("1.000", " V ", ' ', 'N', "EDD"), n | 2},
        {"low battery", {Data("1.000", " V ")}, Data("1.000", " V ", ' ', 'L'), n | 8},
        {"range", {}, ":R3\r", 32},
        {"battery", {}, ":B 95.0\r", 128},
        {"temperature", {}, ":T 023F\r", 64},
        {"short data", {}, ":D1.000 V 128 NEE\r", 0},
        {"too short", {}, ":", 0},
        {"ack", {}, "#Z\r", 0},
        {"error", {}, ":E\r", 0},
    };
    for (const auto& c : cases) {
        clsProbe p;
        for (const auto& b : c.before) {
            p.InputStr(b);
        }
        EXPECT_EQ(p.InputStr(c.reply), c.flags) << c.name;
    }

    clsProbe p;
    RecordingHost host;
    p.SetHost(&host);
    p.InputStr(Data("1.000", " V "));
    p.AutoRangeOn(0);
    EXPECT_EQ(p.InputStr(Data("1.000", " V ")), n | 32); // reported once
    EXPECT_EQ(p.InputStr(Data("1.000", " V ")), n);
    p.MultiplexPrefered(1);
    p.TypeNumb(2);
    p.MultiplexPrefered(0);
    EXPECT_EQ(p.InputStr(Data("1.000", " V ")), n | 1024);
    EXPECT_EQ(p.InputStr(Data("1.000", " V ", ' ', 'F')), n | 8);
    EXPECT_EQ(p.InputStr(Data("1.000", " V ", ' ', 'F')), n | 8);
    EXPECT_EQ(host.messages.size(), 2u); // the flat-battery message on every data line
    EXPECT_EQ(host.messages[0].rfind("Battery needs charging.", 0), 0u);
    p.InputStr(":E\r");
    p.InputStr("#E\r");
    EXPECT_EQ(p.ErrorReplyCount(), 2);
    p.InputStr(":T -05F\r");
    EXPECT_FLOAT_EQ(p.Temperature(), -5.0f);
    p.InputStr(":P\r");
    EXPECT_EQ(host.messages.back(), "Communication mode command received");
}

TEST(ProbeParse, UnderRangeReportedOnlyWithManualRanging) {
    clsProbe p = Family2("KD-5233 HSE");
    p.InputStr2(":R4\r");
    EXPECT_EQ(p.InputStr2(Data("100.0", " V ")) & 512, 512); // below 900 * 0.245
    EXPECT_EQ(p.InputStr2(Data("300.0", " V ")) & 512, 0);
    p.InputStr2(":R1\r");
    EXPECT_EQ(p.InputStr2(Data("0.500", " V ")) & 512, 0); // nothing lower than range 1
}

TEST(ProbeParse, UnknownLinesForgetTheCodes) {
    clsProbe p;
    p.InputStr(Data("1.000", " V "));
    for (int i = 0; i < 3; ++i) {
        p.InputStr("??\r");
    }
    EXPECT_EQ(p.UnitsCode(), " V ");
    p.InputStr("??\r");
    EXPECT_EQ(p.UnitsCode(), "xxx");
    EXPECT_EQ(p.InputStr(Data("1.000", " V ")), clsProbe::kNewReading | 2 | 16);
    EXPECT_EQ(p.MissingReplyCount(), 0);
}

TEST(ProbeParse, AveragingCountsEmptySlotsAsZero) {
    clsProbe p;
    p.Average(10);
    for (int i = 1; i <= 10; ++i) {
        p.InputStr(Data("10.00", " V ", ' ', 'N', "EEE", "255"));
        if (i < 10) {
            EXPECT_NEAR(p.XYZAxis(), i, 1e-4) << i;
            EXPECT_LT(p.GetPercentOfScale(), 100);
        }
    }
    EXPECT_NEAR(p.XYZAxis(), 10, 1e-4);
    EXPECT_EQ(p.GetPercentOfScale(), 100);
    p.Average(99);
    EXPECT_EQ(p.Average(), 50);
}

TEST(ProbeParse, MultiplexedAxesTotalsAndHolds) {
    clsProbe p = Family2("KD-5233 HSE");
    p.MultiplexPrefered(1);
    p.AutoRangeOn(1);
    p.InputStr2(Data("1.000", " V "));
    const std::vector<std::pair<std::string, std::string>> axes = {
        {"3.000", "EDD"}, {"4.000", "DED"}, {"12.00", "DDE"}};
    for (const auto& [num, code] : axes) {
        p.InputStr2(":A\r");
        p.InputStr2(Data(num, " V ", ' ', 'N', code, code == "DED" ? "255" : "051"));
    }
    EXPECT_FLOAT_EQ(p.XNA(), 3);
    EXPECT_FLOAT_EQ(p.Yaxis(), 4);
    EXPECT_FLOAT_EQ(p.XYZAxis(), 13);
    EXPECT_FLOAT_EQ(p.MaxHoldXYZ(), 13);
    EXPECT_FLOAT_EQ(p.MinHoldXYZ(), 13);   // root of the squares of the axis minima
    EXPECT_EQ(p.GetPercentOfScale(), 100); // the largest axis
    // A disabled axis reads 0 after its next update.
    p.AxisEnabled(5);
    p.InputStr2(":A\r");
    p.InputStr2(Data("3.000", " V ", ' ', 'N', "EDD"));
    p.InputStr2(":A\r");
    p.InputStr2(Data("4.000", " V ", ' ', 'N', "DED"));
    EXPECT_FLOAT_EQ(p.Yaxis(), 0);
    EXPECT_FLOAT_EQ(p.YNA(), 4);
    // Paused holds stay; a new units text clears the maxima.
    p.PausePeakHold(1);
    p.InputStr2(":A\r");
    p.InputStr2(Data("50.00", " V ", ' ', 'N', "DDE"));
    EXPECT_FLOAT_EQ(p.MaxHoldZ(), 12);
    p.PausePeakHold(0);
    p.InputStr2(":A\r");
    p.InputStr2(Data("9.000", " V2", ' ', 'N', "EDD"));
    EXPECT_FLOAT_EQ(p.MaxHoldZ(), 0);
    EXPECT_FLOAT_EQ(p.MaxHoldX(), 9);
    EXPECT_FLOAT_EQ(p.XYZAxis(), 9 + 0 + 50); // squared units add up; Y is disabled
}

TEST(ProbeParse, CurrentProbeRangingByItselfReadsMilliamperes) {
    clsProbe p = Family2("KD-1902");
    p.InputStr2(Data("1.000", "   "));
    p.InputStr2(":R0\r");
    EXPECT_EQ(p.UnitsStr(), "mA");
    p.InputStr2(Data("1.234", "   "));
    EXPECT_FLOAT_EQ(p.XYZAxis(), 1234.0f);
    p.InputStr2(Data("56.00", " M "));
    EXPECT_EQ(p.UnitsStr(), "mA");
    EXPECT_FLOAT_EQ(p.XYZAxis(), 56.0f);
}
