// Range tables, limits, thresholds and readout texts.

#include "common/numfmt.h"
#include "probe_test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vireon;
using vireon::testing::Bare;
using vireon::testing::Data;

namespace {
const std::string kSq(1, kSuperscriptTwo);

// A family-2 probe of `model` in `unit` and `range`, with units from `code`.
clsProbe Probe(const std::string& model, int16_t unit, int16_t range, const std::string& code) {
    clsProbe p = vireon::testing::Family2(model);
    p.InputStr(Data("1.000", code));
    p.UnitsNo7300(unit);
    p.InputStr2(std::string{':', 'R', static_cast<char>('0' + range), '\r'});
    return p;
}
} // namespace

TEST(ProbeRanges, UnderRangeThreshold) {
    const float root = std::sqrt(0.06f);
    const std::vector<std::tuple<std::string, int16_t, int16_t, std::string, float>> cases = {
        {"KD-5233 HSE", 1, 1, " V ", 1.0f},           {"KD-5233 HSE", 1, 2, " V ", 0.0f},
        {"KD-5233 HSE", 1, 4, " V ", 900 * root},     {"KD-5233 HSE", 1, 4, " V2", 900 * 0.06f},
        {"KD-5233 HSE", 2, 5, "MW2", 214.9f * 0.06f}, {"KD-5233 HSE", 2, 1, "MW2", 0.0002652f},
        {"KD-5233 HSE", 3, 4, " V2", 810000 * 0.06f}, {"KD-7310", 1, 1, " V ", 0.8f},
        {"KD-7350", 2, 4, "MW2", 170 * 0.06f},
    };
    for (const auto& [model, unit, range, code, want] : cases) {
        const clsProbe p = Probe(model, unit, range, code);
        EXPECT_FLOAT_EQ(p.GetUnderThreshold(), want) << model << " " << unit << " " << range;
    }
}

TEST(ProbeRanges, RangeStrings) {
    const std::vector<std::tuple<int16_t, int16_t, std::string, std::string>> cases = {
        {1, 1, " V ", "1.0 - 900 V/m"},
        {1, 2, " V ", "0.0 - 0.0 V/m"},
        {2, 1, "MW2", "0.000265 - 214.9 mW/cm" + kSq},
        {3, 5, " V2", "0.0 - 810,000 (V/m)" + kSq},
        {1, 9, " V ", "0.0 - 0.0 V/m"}, // no such range
    };
    for (const auto& [unit, range, code, want] : cases) {
        clsProbe p = Probe("KD-5253", 1, 2, code);
        p.UnitsNo7300(unit);
        EXPECT_EQ(p.GetRangeString(range), want);
    }
}

TEST(ProbeRanges, ReadoutAndLimitFormats) {
    const std::vector<std::pair<double, std::string>> adjust = {
        {0, "0.000"},      {9.9994, "9.999"}, {12.3456, "12.35"}, {99.5, "99.50"},
        {123.45, "123.5"}, {999.9, "999.9"},  {1234.5, "1235"},   {1e6, "1000000"},
    };
    for (const auto& [v, want] : adjust) {
        EXPECT_EQ(clsProbe::AdjustStrLen(v), want) << v;
    }
    const std::vector<std::pair<double, std::string>> limit = {
        {0, "0.0"},       {0.8, "0.8"},   {0.00016976, "0.00017"}, {9.5, "9.5"},        {10, "10"},
        {214.9, "214.9"}, {9999, "9999"}, {10000, "10,000"},       {810000, "810,000"},
    };
    for (const auto& [v, want] : limit) {
        EXPECT_EQ(clsProbe::FormatLimitValue(v), want) << v;
    }
}

TEST(ProbeRanges, TablesAtCreationAndAfterModelSetUp) {
    // Units 2 and 3 change places at model set-up, to the fiber probes' order.
    clsProbe p;
    EXPECT_EQ(p.RangeText(2, 1) + p.RangeText(3, 5) + p.LogScaleText(3), "0-1000-300Log 0.001-100");
    EXPECT_EQ(p.RangeText(7, 1), "");
    p.EnterModel("KD-5256");
    EXPECT_EQ(p.RangeText(2, 1) + p.RangeText(3, 5) + p.LogScaleText(2),
              "0-0.030-1MLog 0.01m-1000");
    p.EnterModel("KD-7320");
    EXPECT_FLOAT_EQ(p.LowerLimit(), 1.5f);
    EXPECT_FLOAT_EQ(p.LowerLimitOf(2, 1), 0.0005968f);
}

TEST(ProbeRanges, OverAndUnderRangeValues) {
    for (const auto& [model, maxRange] : {std::pair{"KD-5233 HSE", 4}, std::pair{"KD-1836", 5}}) {
        clsProbe p = vireon::testing::Family2(model);
        p.AutoRangeOn(1);
        EXPECT_EQ(p.GetMaxRange(), maxRange);
        EXPECT_FLOAT_EQ(p.GetOverRangeVal(), 900.0f) << model;
        EXPECT_FLOAT_EQ(p.GetUnderRangeVal(), 1.0f);
        p.AutoRangeOn(0);
        p.InputStr2(":R2\r");
        EXPECT_FLOAT_EQ(p.GetOverRangeVal(), 0.0f);
        EXPECT_FLOAT_EQ(p.GetUnderRangeVal(), 0.0f);
    }
}

TEST(ProbeRanges, GraphSelectionColourAndHolds) {
    clsProbe p = Probe("KD-5233 MSE", 1, 3, " V ");
    EXPECT_EQ(p.GetGraphSelection(), "0-100");
    EXPECT_EQ(p.GetGraphScales(2, 0), "0-35");
    p.SetGraphType("Log");
    EXPECT_EQ(p.GetGraphSelection(), "Log 0.1-10k");
    p.SetGraphType("Auto");
    p.AutoRangeOn(1);
    EXPECT_EQ(p.GetGraphSelection(), "Log 0.1-10k");

    p.AutoRangeOn(0);
    p.InputStr2(Data("99999", " V ", 'O'));
    EXPECT_EQ(p.SetOverRangeColor(0xFFFF00), 255);
    p.InputStr2(Data("1.000", " V "));
    EXPECT_EQ(p.SetOverRangeColor(0xFFFF00), 0xFFFF00);

    // Unit 2 range 1 of this model reads in thousandths: 12346 -> 12.346, held as 12.35.
    p.InputStr2(":R1\r");
    p.InputStr2(Data("12346", " V2"));
    EXPECT_FLOAT_EQ(p.XYZNA(), 12.346f);
    EXPECT_FLOAT_EQ(p.MaxHoldXYZ(), 12.35f);
    EXPECT_EQ(p.XYZAxisStr(), "12.35");
}
