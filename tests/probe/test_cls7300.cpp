// Fiber-optic calibration upload, field computation, zero, units, holds and averaging.

#include "probe/cls7300.h"
#include "probe/fiber_replies.h"
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

// Calibration reply with the text of each field given for (axis 0..2, segment 1..2, gain
// index 1..4, coefficient 0..2); numbers are written in the probe's coding (0 A, - B, . D).
std::string CalReply(const std::function<std::string(int, int, int, int)>& field) {
    std::string r = ":M";
    for (int f = 0; f < 72; ++f) {
        r += (field((f / 3) % 3, (f / 9) % 2 + 1, f / 18 + 1, f % 3) + "        ").substr(0, 8);
    }
    return r + "\r";
}

std::string Coded(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%8.2f", v);
    std::string s(buf);
    for (char& c : s) {
        c = c == '0' ? 'A' : c == '-' ? 'B' : c == '.' ? 'D' : c;
    }
    return s;
}

std::string Data(int16_t x, int16_t y, int16_t z, uint8_t cx = 16, uint8_t cy = 16,
                 uint8_t cz = 16) {
    return fiber::EncodeData({{x, y, z}, {cx, cy, cz}, false});
}

const std::string kSimCal = SimFiberUnit::CalibrationReply();

// With the simulator's calibration gain code 16 gives 1 V/m per count.
class Cls7300SimCal : public ::testing::Test {
protected:
    void SetUp() override {
        k.SetHost(&host);
        ASSERT_TRUE(k.ParseCoeff(kSimCal));
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
        return Coded(c == 0 ? c0(a, s, g) : c == 1 ? 2.0 : 0.5);
    })));
    const float gainValue[] = {0, 2500, 230, 16, 1};
    const int16_t breakpoint[] = {0, 550, 314, 1299, 525};
    for (int g = 1; g <= 4; ++g) {
        const auto code = static_cast<uint8_t>(SimFiberUnit::kGainCode[g]);
        for (int16_t n : {breakpoint[g], static_cast<int16_t>(breakpoint[g] + 1)}) {
            SCOPED_TRACE(::testing::Message() << "g" << g << " n " << n);
            auto want = [&](int a) {
                return static_cast<float>(c0(a, n > breakpoint[g] ? 2 : 1, g) + 2 * std::sqrt(n));
            };
            EXPECT_FLOAT_EQ(k.CalX(n, code).value(), want(0));
            EXPECT_FLOAT_EQ(k.CalY(n, code).value(), want(1));
            EXPECT_FLOAT_EQ(k.CalculateFieldXYZ("Z Lin", gainValue[g], n).value(), want(2));
        }
    }
}

TEST_F(Cls7300SimCal, WrongLengthRefusedAndUnusableFieldsReadAsZero) {
    for (const std::string& bad : {kSimCal.substr(0, 578), kSimCal + "0"}) {
        EXPECT_FALSE(k.ParseCoeff(bad));
        EXPECT_FLOAT_EQ(k.CalX(100, 16).value(), 100.0F);
        EXPECT_EQ(
            host.messages.back(),
            "Probe did not initialize properly.  Check battery and/or fiber optic connection.");
    }
    // Text, a value beyond single range, and a power that overflows: 0, never infinity.
    ASSERT_TRUE(k.ParseCoeff(CalReply([](int a, int, int g, int c) -> std::string {
        const char* x[] = {"junk", "9E+39", "1"};
        const char* y[] = {"0", "1E+30", "3"};
        return g == 1 && a < 2 ? (a == 0 ? x[c] : y[c]) : Coded(c == 1 ? 1 : 0);
    })));
    EXPECT_EQ(k.CalX(4000, 0), 0.0F);
    EXPECT_EQ(k.CalY(4000, 0), 0.0F);
    EXPECT_FLOAT_EQ(k.CalY(10, 0).value(), 1e33F);
}

TEST_F(Cls7300SimCal, GainBandsFactorsAndEquationType) {
    // Table entry at count 100: 100 x slope of the band's gain index; empty outside.
    const std::optional<float> none;
    const std::tuple<const char*, float, int16_t, std::optional<float>> cases[] = {
        {"X", 2000.5F, 100, 1}, {"X Lin", 2000, 100, 10}, {"Y", 200, 100, 100},
        {"Z", 8.01F, 100, 100}, {"Y Lin", 8, 100, 1000},  {"X", 0, 100, none},
        {"x", 16, 100, none},   {"X", 16, 4097, none},    {"X", 16, -1, none}};
    for (auto [axis, gain, n, want] : cases) {
        EXPECT_EQ(k.CalculateFieldXYZ(axis, gain, n), want) << axis << " " << gain << " " << n;
    }
    for (uint8_t code : {0, 1, 16, 255}) { // each code's gain lies in its own index's band
        EXPECT_EQ(k.CalculateFieldXYZ("Y", Cls7300::AmplifierGain(code), 77), k.CalY(77, code));
    }

    const std::string fail =
        "Unable to set actual gain resister values.  Setting to defaults (3.02)";
    const std::tuple<int16_t, float, float, float, float, std::string> factors[] = {
        {1, 2, 1, 1, 5, "Class gain factor axis 1 set to 5"},
        {3, 0, 1, 1, 1, "Class gain factor axis 3 set to 1"},
        {2, 1, 0, 1, 3.02F, fail},
        {0, 1, 1, -1, 3.02F, fail}};
    for (const auto& [axis, ra, rb, rc, factor, msg] : factors) {
        k.SetGainFactor(axis, ra, rb, rc);
        EXPECT_FLOAT_EQ(k.QueryGainFactor(axis), factor);
        EXPECT_EQ(host.messages.back(), msg);
    }
    host.messages.clear();
    for (uint8_t t : {1, 2, 0, 6}) {
        k.EquationType(t);
        EXPECT_EQ(k.EquationType(), t == 1 || t == 2 ? 5 : t);
    }
    EXPECT_EQ(host.messages,
              std::vector<std::string>(2, "Equation type 1 and 2 not allowed setting to type 5."));
}

TEST_F(Cls7300SimCal, EquationTypesAndDiodeVoltage) {
    k.Averaging(1);
    k.SetGainFactor(1, 2, 1, 1); // X factor 5
    k.ParseCal7300(Data(1000, 50, 50, 0, 1, 255));
    EXPECT_FLOAT_EQ(k.VoltDiodeX(), 1000 * 0.0007326007F / (101040.2F / 40.2F) * 5);
    EXPECT_FLOAT_EQ(k.Xaxis(), 10);
    EXPECT_FLOAT_EQ(k.Zaxis(), 500);
    const float firstY = 50 * 0.0007326007F / Cls7300::AmplifierGain(1) * 3.02F;
    const float diodeY = 100 * 0.0007326007F / Cls7300::AmplifierGain(16) * 3.02F;
    // type, reply, Y afterwards, Y diode voltage afterwards
    const std::tuple<uint8_t, std::string, float, float> steps[] = {
        {5, Data(7, 8, 9), 8, firstY},                 // straight from the coefficients
        {0, Data(100, 100, 100), 8, diodeY},           // diode voltages only
        {3, Data(200, 200, 200, 1, 1, 1), 20, diodeY}, // table, no diode voltages
        {9, Data(300, 300, 300), 20, diodeY}};         // unknown: nothing
    for (const auto& [type, reply, y, diode] : steps) {
        k.EquationType(type);
        k.ParseCal7300(reply);
        EXPECT_FLOAT_EQ(k.Yaxis(), y) << int(type);
        EXPECT_FLOAT_EQ(k.VoltDiodeY(), diode) << int(type);
    }
}

TEST_F(Cls7300SimCal, EmptySlotsCountAsZeroAndGrowingFillsWithCurrent) {
    for (int i = 1; i <= 11; ++i) {
        Read(100, 0, 0);
        EXPECT_FLOAT_EQ(k.Xaxis(), 10.0F * std::min(i, 10)) << i;
    }
    k.Averaging(1);
    Read(40, 0, 0);
    k.Averaging(51); // ignored
    k.Averaging(4);  // slots 2..4 take 40; slot 1 still holds 100 from before
    EXPECT_FALSE(k.ZeroRunning());
    Read(40, 0, 0);
    EXPECT_FLOAT_EQ(k.Xaxis(), 40);
}

TEST_F(Cls7300SimCal, UnitsConvertHoldsAndAverages) {
    k.Averaging(2);
    Read(100, 0, 0);
    Read(100, 0, 0);
    k.Units(Cls7300::kMilliWattsPerCm2);
    EXPECT_FLOAT_EQ(k.MaxHoldX(), 100.0F * 100.0F / 3770.0F);
    EXPECT_FLOAT_EQ(k.MinHoldX(), 100); // minimum holds stay as they are
    Read(100, 0, 0);
    EXPECT_FLOAT_EQ(k.Xaxis(), 100.0F * 100.0F / 3770.0F);
    k.Units(Cls7300::kVoltsPerMetre);
    const float held = k.MaxHoldX();
    EXPECT_FLOAT_EQ(held, 100);
    for (uint8_t same : {0, 3}) { // the units in use, or no units at all: nothing changes
        k.Units(same);
        EXPECT_EQ(k.Units(), 0);
        EXPECT_EQ(k.MaxHoldX(), held);
    }
    Read(50, 0, 0);
    EXPECT_FLOAT_EQ(k.Xaxis(), 75);
    EXPECT_EQ(Cls7300::ConvertUnit(1, 0, -1), 0); // a negative power has no field
}

TEST_F(Cls7300SimCal, ZeroMeasurementThenOffsetsAndClamps) {
    k.Averaging(2);
    Read(100, 100, 100);
    Read(100, 100, 100);
    k.SetRef();
    Read(10, 20, 30);
    Read(30, 40, 50);
    EXPECT_FALSE(k.ZeroRunning());
    EXPECT_FLOAT_EQ(k.Xaxis(), 100); // nothing shown while measuring
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

TEST_F(Cls7300SimCal, BadRepliesAndHolds) {
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

    k.ParseCal7300(":S064064064101010"); // 17 characters: values drop to 0
    EXPECT_EQ(k.Xaxis() + k.XYZ() + k.VoltDiodeX(), 0);
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
            SCOPED_TRACE(::testing::Message() << f[0] << " units " << int(units));
            SimFiberUnit unit([f](double) { return f; }, {});
            unit.Answer("i", 0);
            Cls7300 k;
            ASSERT_TRUE(k.ParseCoeff(unit.Answer("M", 0).value()));
            k.Units(units);
            for (int i = 0; i < 10; ++i) {
                k.ParseCal7300(unit.Answer("S", 0).value());
            }
            // Compared in V/m, within one count of the gain each axis was sent with.
            const float got[] = {k.Xaxis(), k.Yaxis(), k.Zaxis()};
            double maxStep = 0;
            for (size_t a = 0; a < 3; ++a) {
                int n = 0;
                int code = 0;
                SimFiberUnit::Encode(f[a], n, code);
                const double step = SimFiberUnit::kSlope[Cls7300::SetGainDim(int16_t(code))];
                maxStep = std::max(maxStep, step);
                EXPECT_NEAR(Cls7300::ConvertUnit(units, 0, got[a]), f[a], step * 1.0001) << a;
            }
            const double perVm2[] = {0, 3770, 1};
            const double total = units == 0 ? k.XYZ() : std::sqrt(k.XYZ() * perVm2[units]);
            EXPECT_NEAR(total, std::hypot(f[0], f[1], f[2]), maxStep * 1.0001);
        }
    }
}
