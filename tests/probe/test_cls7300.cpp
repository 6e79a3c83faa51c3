// Fiber-optic calibration upload, field computation, zero, units, holds and averaging.

#include "probe/cls7300.h"
#include "probe_test_util.h"
#include "sim_fiber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

using namespace vireon;
using vireon::sim::SimFiberUnit;
using vireon::testing::RecordingHost;

namespace {

// An 8-character calibration field in the probe's coding (0 -> A, - -> B, . -> D).
std::string Field(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%8.2f", v);
    std::string s = std::string(buf).substr(0, 8);
    for (char& c : s) {
        c = c == '0' ? 'A' : c == '-' ? 'B' : c == '.' ? 'D' : c;
    }
    return s;
}

// Calibration reply whose field for (axis 0..2, segment 1..2, gain index 1..4, coefficient 0..2)
// is given as text.
std::string CalReply(const std::function<std::string(int, int, int, int)>& field) {
    std::string r = ":M";
    for (int f = 0; f < 72; ++f) {
        r += (field((f / 3) % 3, (f / 9) % 2 + 1, f / 18 + 1, f % 3) + "        ").substr(0, 8);
    }
    return r + "\r";
}

std::string Hex(int v, int digits) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%0*X", digits, v);
    return buf;
}

std::string Data(int x, int y, int z, int cx = 16, int cy = 16, int cz = 16) {
    return ":S" + Hex(x, 3) + Hex(y, 3) + Hex(z, 3) + Hex(cx, 2) + Hex(cy, 2) + Hex(cz, 2) + "0\r";
}

// With the simulator's calibration gain code 16 gives 1 V/m per count.
class Cls7300Reading : public ::testing::Test {
protected:
    void SetUp() override {
        k.SetHost(&host);
        ASSERT_TRUE(k.ParseCoeff(SimFiberUnit::CalibrationReply()));
    }
    void Read(int x, int y, int z) { k.ParseCal7300(Data(x, y, z)); }
    RecordingHost host;
    Cls7300 k;
};

} // namespace

TEST(Cls7300Calibration, FieldOrderCodingAndBreakpoints) {
    Cls7300 k;
    // C0 names its axis, segment and gain; C1 = 2, C2 = 0.5.
    auto c0 = [](int a, int s, int g) { return -(1000.0 * (a + 1) + 100 * s + g); };
    ASSERT_TRUE(k.ParseCoeff(CalReply([&](int a, int s, int g, int c) {
        return Field(c == 0 ? c0(a, s, g) : c == 1 ? 2.0 : 0.5);
    })));
    const std::array<float, 5> gainValue{0, 2500, 230, 16, 1};
    const char* names[] = {"X", "Y Lin", "Z"};
    for (int g = 1; g <= 4; ++g) {
        const int16_t bp = k.Breakpoint(static_cast<int16_t>(g));
        const auto code = static_cast<uint8_t>(SimFiberUnit::kGainCode[g]);
        for (int a = 0; a < 3; ++a) {
            for (int16_t n : {bp, static_cast<int16_t>(bp + 1)}) {
                SCOPED_TRACE(::testing::Message() << "g" << g << " axis " << a << " n " << n);
                const float want =
                    static_cast<float>(c0(a, n > bp ? 2 : 1, g) + 2.0 * std::sqrt(n));
                const auto direct = a == 0   ? k.CalX(n, code)
                                    : a == 1 ? k.CalY(n, code)
                                             : k.CalZ(n, code);
                EXPECT_FLOAT_EQ(direct.value(), want);
                EXPECT_FLOAT_EQ(k.CalculateFieldXYZ(names[a], gainValue[g], n).value(), want);
            }
        }
    }
    EXPECT_EQ(k.Breakpoint(1), 550);
    EXPECT_EQ(k.Breakpoint(4), 525);
}

TEST(Cls7300Calibration, WrongLengthRefusedAndUnusableFieldsReadAsZero) {
    RecordingHost host;
    Cls7300 k;
    k.SetHost(&host);
    const std::string good = SimFiberUnit::CalibrationReply();
    ASSERT_TRUE(k.ParseCoeff(good));
    for (const std::string& bad : {good.substr(0, 578), good + "0", std::string()}) {
        EXPECT_FALSE(k.ParseCoeff(bad));
        EXPECT_FLOAT_EQ(k.CalX(100, 16).value(), 100.0F);
        EXPECT_EQ(k.RawCal(), good);
    }
    ASSERT_EQ(host.messages.size(), 3U);
    EXPECT_EQ(host.messages[0],
              "Probe did not initialize properly.  Check battery and/or fiber optic connection.");

    // Text, a value beyond single range, and a power that overflows: all give 0, never inf.
    ASSERT_TRUE(k.ParseCoeff(CalReply([](int a, int, int g, int c) -> std::string {
        if (g != 1) {
            return Field(c == 1 ? 1 : 0);
        }
        const char* x[] = {"junk", "9E+39", "1"};
        const char* y[] = {"0", "1E+30", "3"};
        return a == 0 ? x[c] : a == 1 ? y[c] : Field(c == 1 ? 1 : 0);
    })));
    EXPECT_FLOAT_EQ(k.CalX(4000, 0).value(), 0.0F);
    EXPECT_FLOAT_EQ(k.CalculateFieldXYZ("Y", 2500, 4000).value(), 0.0F);
    EXPECT_FLOAT_EQ(k.CalculateFieldXYZ("Y", 2500, 10).value(), 1e33F);
}

TEST(Cls7300Calibration, GainIndexBandsAndNames) {
    Cls7300 k;
    ASSERT_TRUE(k.ParseCoeff(SimFiberUnit::CalibrationReply()));
    const std::pair<int, int> dims[] = {{0, 1}, {1, 2},  {16, 3},  {255, 4},
                                        {2, 0}, {15, 0}, {254, 0}, {-1, 0}};
    for (auto [code, g] : dims) {
        EXPECT_EQ(Cls7300::SetGainDim(static_cast<int16_t>(code)), g) << code;
    }
    // Table entry at count 100: 100 x slope of the band's gain index; empty outside.
    const std::tuple<const char*, float, int16_t, float> cases[] = {
        {"X", 2000.5F, 100, 1}, {"X Lin", 2000, 100, 10},   {"Y", 200.01F, 100, 10},
        {"Z", 200, 100, 100},   {"Z Lin", 8.01F, 100, 100}, {"Y Lin", 8, 100, 1000},
        {"X", 0, 100, -1},      {"X", -5, 100, -1},         {"W", 16, 100, -1},
        {"x", 16, 100, -1},     {"X", 16, 4097, -1},        {"X", 16, -1, -1}};
    for (auto [axis, gain, n, want] : cases) {
        const auto got = k.CalculateFieldXYZ(axis, gain, n);
        EXPECT_EQ(got.has_value(), want >= 0) << axis << " " << gain << " " << n;
        if (got && want >= 0) {
            EXPECT_FLOAT_EQ(*got, want) << axis << " " << gain;
        }
    }
    // The gain of each code lies in the band of its own gain index.
    for (int code : {0, 1, 16, 255}) {
        EXPECT_EQ(k.CalculateFieldXYZ("Y", Cls7300::AmplifierGain(static_cast<uint8_t>(code)), 77),
                  k.CalY(77, static_cast<uint8_t>(code)));
    }
    EXPECT_FALSE(k.CalX(77, 2).has_value());
}

TEST(Cls7300Calibration, GainFactorsAndEquationType) {
    RecordingHost host;
    Cls7300 k;
    k.SetHost(&host);
    const std::tuple<int16_t, float, float, float, float, std::string> cases[] = {
        {1, 2, 1, 1, 5, "Class gain factor axis 1 set to 5"},
        {3, 0, 1, 1, 1, "Class gain factor axis 3 set to 1"},
        {2, 1, 0, 1, 3.02F,
         "Unable to set actual gain resister values.  Setting to defaults (3.02)"},
        {0, 1, 1, -1, 3.02F,
         "Unable to set actual gain resister values.  Setting to defaults (3.02)"},
    };
    for (const auto& [axis, ra, rb, rc, factor, msg] : cases) {
        host.messages.clear();
        k.SetGainFactor(axis, ra, rb, rc);
        EXPECT_FLOAT_EQ(k.QueryGainFactor(axis), factor);
        EXPECT_EQ(host.messages, std::vector<std::string>{msg});
    }
    host.messages.clear();
    k.SetGainFactor(4, 2, 1, 1);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(k.QueryGainFactor(4), 0.0F);

    for (uint8_t t = 0; t <= 6; ++t) {
        host.messages.clear();
        k.EquationType(t);
        const bool refused = t == 1 || t == 2;
        EXPECT_EQ(k.EquationType(), refused ? 5 : t);
        EXPECT_EQ(host.messages,
                  refused ? std::vector<std::string>{"Equation type 1 and 2 not allowed setting "
                                                     "to type 5."}
                          : std::vector<std::string>{});
    }
}

TEST_F(Cls7300Reading, EquationTypesAndDiodeVoltage) {
    k.Averaging(1);
    k.SetGainFactor(1, 2, 1, 1); // X factor 5
    k.ParseCal7300(Data(1000, 50, 50, 0, 1, 255));
    EXPECT_FLOAT_EQ(k.GainXX(), 101040.2F / 40.2F);
    EXPECT_FLOAT_EQ(k.VoltDiodeX(), 1000 * 0.0007326007F / k.GainXX() * 5);
    EXPECT_FLOAT_EQ(k.VoltDiodeZ(), 50 * 0.0007326007F / k.GainZZ() * 3.02F);
    EXPECT_FLOAT_EQ(k.Xaxis(), 10);
    EXPECT_FLOAT_EQ(k.Zaxis(), 500);

    k.EquationType(5); // straight from the coefficients: same values
    Read(7, 8, 9);
    EXPECT_FLOAT_EQ(k.Yaxis(), 8);
    k.EquationType(0); // diode voltages only
    Read(100, 100, 100);
    EXPECT_FLOAT_EQ(k.Yaxis(), 8);
    EXPECT_FLOAT_EQ(k.VoltDiodeY(), 100 * 0.0007326007F / k.GainYY() * 3.02F);
    k.EquationType(3); // table without diode voltages
    k.ParseCal7300(Data(200, 200, 200, 1, 1, 1));
    EXPECT_FLOAT_EQ(k.Yaxis(), 20);
    EXPECT_FLOAT_EQ(k.VoltDiodeY(), 100 * 0.0007326007F / k.GainYY() * 3.02F);
    k.EquationType(9); // unknown: nothing
    Read(300, 300, 300);
    EXPECT_FLOAT_EQ(k.Yaxis(), 20);
}

TEST_F(Cls7300Reading, EmptySlotsCountAsZeroAndGrowingFillsWithCurrent) {
    for (int i = 1; i <= 11; ++i) {
        Read(100, 0, 0);
        EXPECT_FLOAT_EQ(k.Xaxis(), 10.0F * std::min(i, 10)) << i;
        EXPECT_FLOAT_EQ(k.XNA(), 100);
    }
    k.Averaging(1);
    Read(40, 0, 0);
    k.Averaging(51); // ignored
    EXPECT_EQ(k.Averaging(), 1);
    k.Averaging(4); // slots 2..4 take 40; slot 1 still holds 100 from before
    EXPECT_FALSE(k.ZeroRunning());
    Read(40, 0, 0);
    EXPECT_FLOAT_EQ(k.Xaxis(), 40);
}

TEST_F(Cls7300Reading, UnitsConvertHoldsAndAverages) {
    k.Averaging(2);
    Read(100, 0, 0);
    Read(100, 0, 0);
    k.Units(Cls7300::kMilliWattsPerCm2);
    EXPECT_FLOAT_EQ(k.MaxHoldX(), 100.0F * 100.0F / 3770.0F);
    EXPECT_FLOAT_EQ(k.MaxHoldXYZ(), 100.0F * 100.0F / 3770.0F);
    EXPECT_FLOAT_EQ(k.MinHoldX(), 100); // minimum holds stay as they are
    Read(100, 0, 0);
    EXPECT_FLOAT_EQ(k.Xaxis(), 100.0F * 100.0F / 3770.0F);
    k.Units(Cls7300::kVoltsPerMetre);
    const float held = k.MaxHoldX();
    EXPECT_FLOAT_EQ(held, 100);
    for (uint8_t same : {uint8_t{0}, uint8_t{3}}) { // current units, or no units at all
        k.Units(same);
        EXPECT_EQ(k.Units(), 0);
        EXPECT_EQ(k.MaxHoldX(), held);
    }
    Read(50, 0, 0);
    EXPECT_FLOAT_EQ(k.Xaxis(), 75);
    EXPECT_FLOAT_EQ(Cls7300::ConvertUnit(2, 0, 2500), 50);
    EXPECT_FLOAT_EQ(Cls7300::ConvertUnit(1, 2, 2), 7540);
    EXPECT_EQ(Cls7300::ConvertUnit(0, 7, 5), 0);
    EXPECT_EQ(Cls7300::ConvertUnit(1, 0, -1), 0);
}

TEST_F(Cls7300Reading, ZeroMeasurementThenOffsetsAndClamps) {
    k.Averaging(2);
    Read(100, 100, 100);
    Read(100, 100, 100);
    k.SetRef();
    Read(10, 20, 30);
    EXPECT_TRUE(k.ZeroRunning());
    Read(30, 40, 50);
    EXPECT_FALSE(k.ZeroRunning());
    EXPECT_FLOAT_EQ(k.Xaxis(), 100); // nothing shown while measuring
    EXPECT_FLOAT_EQ(k.MinHoldX(), 100);
    EXPECT_FLOAT_EQ(k.ZeroOffset(2), 30);
    EXPECT_FLOAT_EQ(k.ZeroOffset(3), 40);
    Read(120, 130, 140);
    EXPECT_FLOAT_EQ(k.XNA(), 100);

    k.Averaging(1);
    Read(5, 5, 45); // below the offsets on X and Y
    EXPECT_EQ(k.Xaxis(), 0);
    EXPECT_EQ(k.XNA(), 0);
    EXPECT_FLOAT_EQ(k.MinHoldX(), -15);
    EXPECT_FLOAT_EQ(k.XYZ(), 5);
    EXPECT_FLOAT_EQ(k.XYZNA(), 5);
    k.ClearRef();
    Read(5, 5, 45);
    EXPECT_FLOAT_EQ(k.Xaxis(), 5);
}

TEST_F(Cls7300Reading, BadRepliesAndHolds) {
    k.Averaging(1);
    Read(100, 100, 100);
    k.ParseCal7300(Data(200, 200, 200, 16, 2, 16)); // Y gain code without a table
    EXPECT_FLOAT_EQ(k.Xaxis(), 100);
    EXPECT_FLOAT_EQ(k.MaxHoldX(), 100);
    EXPECT_EQ(k.CountX(), 200);
    k.ParseCal7300(":S12G1001001010100"); // not hexadecimal: nothing changes
    EXPECT_EQ(k.CountX(), 200);

    k.PausePeakHold(-1);
    Read(300, 300, 50);
    EXPECT_FLOAT_EQ(k.MaxHoldX(), 100);
    EXPECT_FLOAT_EQ(k.MinHoldZ(), 50);
    k.PausePeakHold(0);
    Read(300, 300, 50);
    EXPECT_FLOAT_EQ(k.MaxHoldX(), 300);
    k.ClearMaxHold();
    k.ClearMinHold();
    EXPECT_EQ(k.MaxHoldXYZ(), 0);
    EXPECT_EQ(k.MinHoldXYZ(), 9999999);

    k.ParseCal7300(":S064064064101010"); // 17 characters: values drop to 0
    EXPECT_EQ(k.Xaxis(), 0);
    EXPECT_EQ(k.XYZ(), 0);
    EXPECT_EQ(k.VoltDiodeX(), 0);
}

TEST(Cls7300Overflow, AverageRecoversOnceAnOverflowingReadingLeaves) {
    Cls7300 k;
    ASSERT_TRUE(k.ParseCoeff(CalReply([](int, int, int g, int c) -> std::string {
        return c == 1 ? (g == 1 ? "1E+20" : "1") : c == 2 ? "1" : "0";
    })));
    k.Units(Cls7300::kVoltsSquared);
    k.Averaging(2);
    k.ParseCal7300(Data(100, 1, 1, 0, 16, 16)); // (1E+22)^2 overflows a single
    EXPECT_TRUE(std::isinf(k.Xaxis()));
    k.ParseCal7300(Data(10, 1, 1));
    k.ParseCal7300(Data(10, 1, 1));
    EXPECT_FLOAT_EQ(k.Xaxis(), 100);
}

TEST(Cls7300Simulator, SimulatedProbeGivesBackItsField) {
    const std::array<double, 3> fields[] = {{0.37, 12.5, 0}, {250, 3999, 38000}, {5, 41, 401}};
    for (const auto& f : fields) {
        for (uint8_t units = 0; units <= 2; ++units) {
            SCOPED_TRACE(::testing::Message()
                         << f[0] << "," << f[1] << "," << f[2] << " u" << int(units));
            SimFiberUnit unit([f](double) { return f; }, {});
            unit.Answer("i", 0);
            Cls7300 k;
            ASSERT_TRUE(k.ParseCoeff(unit.Answer("M", 0).value()));
            k.Units(units);
            for (int i = 0; i < 10; ++i) {
                k.ParseCal7300(unit.Answer("S", 0).value());
            }
            double sq = 0;
            double sqTol = 0;
            const float got[] = {k.Xaxis(), k.Yaxis(), k.Zaxis()};
            for (size_t a = 0; a < 3; ++a) {
                int n = 0;
                int code = 0;
                SimFiberUnit::Encode(f[a], n, code);
                const double step = SimFiberUnit::kSlope[Cls7300::SetGainDim(int16_t(code))];
                const double vm = units == 0   ? got[a]
                                  : units == 1 ? std::sqrt(got[a] * 3770.0)
                                               : std::sqrt(got[a]);
                EXPECT_NEAR(vm, f[a], step * 1.0001) << a;
                sq += f[a] * f[a];
                sqTol += 2 * f[a] * step + step * step;
            }
            const double want = units == 0 ? std::sqrt(sq) : units == 1 ? sq / 3770 : sq;
            const double tol = units == 0   ? std::sqrt(sq + sqTol) - std::sqrt(sq) + 1e-3
                               : units == 1 ? sqTol / 3770
                                            : sqTol;
            EXPECT_NEAR(k.XYZ(), want, tol + want * 1e-6);
        }
    }
}
