#include "common/numfmt.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

using vireon::FormatNumber;
using vireon::GeneralNumber;

namespace {

// One row or more for each pattern the program uses: ties go away from zero on the decimal
// form (2.675 is stored just below), carries reach the integer part, and a negative value that
// rounds to zero loses its sign.
TEST(FormatNumber, FormatsAsTheReadoutsAndFilesShowIt) {
    const struct {
        double value;
        const char* pattern;
        const char* expected;
    } cases[] = {
        // clang-format off
        {1.2345, "0.000", "1.235"}, {-1.2345, "0.000", "-1.235"}, {2.675, "0.00", "2.68"},
        {-0.125, "0.00", "-0.13"}, {-0.004, "0.00", "0.00"}, {9.995, "0.00", "10.00"},
        {0.25, "0.0", "0.3"}, {-2.5, "0", "-3"}, {1234567, "0", "1234567"},
        {0.1234567, "0.0#####", "0.123457"}, {0.0000004, "0.0#####", "0.0"}, {1.0, "0.0#", "1.0"},
        {1.256, "0.0#", "1.26"}, {0, "0.######", "0"}, {5, "0.######", "5"},
        {0.0000005, "0.######", "0.000001"}, {1234567.4, "#,###,###", "1,234,567"},
        {-98765, "#,###,###", "-98,765"}, {0, "#,###,###", ""}, {999.5, "#,###,###", "1,000"},
        {0.5, "#.0", ".5"}, {9.96, "#.0", "10.0"}, {-0.5, "#.0", "-.5"}, {1.005, "#.00", "1.01"},
        {0.5, ".000", ".500"}, {0, "#", ""}, {0.5, "#", "1"}, {-7.5, "#", "-8"}, {5, "00", "05"},
        {0.0000049, "0.00000", "0.00000"}, {0.0000005, "0.000000", "0.000001"},
        {0.12345, "0.0000", "0.1235"}, {0.5, "#0.000", "0.500"}, {0.5, "##0.00", "0.50"},
        {1234.56, "####0.0", "1234.6"}, {-0.04, "####0.0", "0.0"},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatNumber(c.value, c.pattern), c.expected) << c.value << " as " << c.pattern;
    }
}

TEST(GeneralNumber, SinglesMatchPrintfSevenDigitTextAcrossTheRange) {
    // Every 211th single from 1E-06 to 1E+08 (both signs), zero and the extremes, against the
    // C library's "%.7G".
    std::vector<float> values = {0.0f, 1e20f, -1e-30f, 3.4028235e38f, -1.4e-45f};
    for (float start : {1e-6f, -1e-6f}) {
        uint32_t bits;
        std::memcpy(&bits, &start, sizeof bits);
        for (float f = start; std::fabs(f) < 1e8f; bits += 211, std::memcpy(&f, &bits, sizeof f)) {
            values.push_back(f);
        }
    }
    for (float f : values) {
        char want[32];
        std::snprintf(want, sizeof want, "%.7G", static_cast<double>(f));
        ASSERT_EQ(GeneralNumber(f), want);
    }
}

TEST(Val, ReadsTheLeadingNumberOrZero) {
    const std::pair<const char*, double> cases[] = {
        {"12.5abc", 12.5}, {"  -3", -3.0},        {"1.5E-05", 1.5e-5}, {"2E", 2.0},
        {".25", 0.25},     {"abc", 0.0},          {"", 0.0},           {"-", 0.0},
        {"1e999", 0.0},    {"9600,o,7,1", 9600.0}};
    for (const auto& [text, value] : cases) {
        EXPECT_DOUBLE_EQ(vireon::Val(text), value) << text;
    }
}

TEST(Val, IgnoresTheProcessLocale) {
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    // Any decimal-comma locale the machine has; C.UTF-8 alone still checks the plain path.
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            break;
        }
    }
    EXPECT_DOUBLE_EQ(vireon::Val("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(vireon::Val("+1.25E+02"), 125.0);
    EXPECT_EQ(vireon::GeneralNumber(2.5f), "2.5");
    std::setlocale(LC_NUMERIC, before.c_str());
}

TEST(HexValue, DigitsOnly) {
    const std::pair<const char*, std::optional<int32_t>> cases[] = {{"1F4", 500},
                                                                    {"ff", 255},
                                                                    {"FFFF", 65535},
                                                                    {"", std::nullopt},
                                                                    {"1G", std::nullopt},
                                                                    {" 1", std::nullopt},
                                                                    {"123456789", std::nullopt}};
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(vireon::HexValue(text), value) << text;
    }
}

TEST(Near, HalvesGoToTheEvenNeighbour) {
    for (const auto& [x, near] :
         {std::pair{0.5, 0.0}, {1.5, 2.0}, {2.5, 2.0}, {-2.5, -2.0}, {2.51, 3.0}}) {
        EXPECT_EQ(vireon::Near(x), near) << x;
    }
    EXPECT_EQ(vireon::NearInt16(1e9), 32767);
    EXPECT_EQ(vireon::NearInt16(-1e9), -32768);
    EXPECT_EQ(vireon::NearInt16(std::nan("")), 0);
    EXPECT_EQ(vireon::NearInt32(-1180.5), -1180);
}

TEST(Cp1252, RoundTripsThroughUtf8) {
    const std::string cp =
        std::string("V/m") + vireon::kSuperscriptTwo + " 25" + vireon::kDegreeSign + "C \x80";
    const std::string utf8 = vireon::Cp1252ToUtf8(cp);
    EXPECT_EQ(utf8, "V/m\xC2\xB2 25\xC2\xB0"
                    "C \xE2\x82\xAC");
    EXPECT_EQ(vireon::Utf8ToCp1252(utf8), cp);
    EXPECT_EQ(vireon::Utf8ToCp1252("\xE4\xB8\xAD"), "?");
    EXPECT_EQ(vireon::Utf8ToCp1252("\xC2"), "?");
}

} // namespace
