// The fiber family's reply layouts: what the unit sends decodes to what it meant, and the
// laser start's acceptance rules.

#include "probe/fiber_replies.h"

#include <gtest/gtest.h>

#include <variant>

namespace vireon::fiber {
namespace {

TEST(FiberReplies, EncodedRepliesDecodeToTheirFields) {
    const std::string id = EncodeIdentification("7310", "073020030A", "00012345", "06152026");
    ASSERT_EQ(id.size(), kIdentLen);
    // A reply of another kind throws here, and fails the test.
    const auto ident = std::get<Identification>(Decode(id));
    EXPECT_EQ(ident.SoftVer, "073020030A");
    EXPECT_EQ(ident.SerialNo, "00012345");
    EXPECT_EQ(ident.CalDate, "06/15/2026");
    EXPECT_TRUE(ident.Complete);

    const std::string data = EncodeData({{4095, 1, 0x7FF}, {0, 16, 255}, true});
    ASSERT_EQ(data.size(), kDataLen);
    const auto d = std::get<Data>(Decode(data));
    EXPECT_EQ(d.Counts, (std::array<int16_t, 3>{4095, 1, 0x7FF}));
    EXPECT_EQ(d.GainCodes, (std::array<uint8_t, 3>{0, 16, 255}));
    EXPECT_TRUE(d.BatteryLow);

    // The status fields are signed: "FFFF" of the laser temperature is -1/16 degree.
    const std::string status = EncodeUnitStatus({100, 4900, -1, 3071});
    ASSERT_EQ(status.size(), kStatusLen);
    const auto st = std::get<UnitStatus>(Decode(status));
    EXPECT_DOUBLE_EQ(st.LaserTempC(), -0.0625);
    EXPECT_DOUBLE_EQ(st.ProbeTempC(), 24.5);
    EXPECT_NEAR(st.LaserCurrent(), 1.25, 0.001);

    for (double c : {24.5, -3.5, 0.0}) {
        EXPECT_DOUBLE_EQ(std::get<Temperature>(Decode(EncodeTemperature(c))).Celsius, c);
    }
    const auto battery = std::get<Battery>(Decode(EncodeBattery(85)));
    EXPECT_EQ(battery.Percent, 85);
    EXPECT_TRUE(battery.Complete);
}

TEST(FiberReplies, OddRepliesDecodeToWhatTheWindowMustDo) {
    const size_t notInitialized = Reply(NotInitialized{}).index();
    const size_t unknown = Reply(Unknown{}).index();
    const std::pair<std::string, size_t> cases[] = {
        {":S000000000000000F\r", notInitialized},
        {":S0000000000000000\r", notInitialized},
        {":S0A0", Reply(PartialData{}).index()},
        {":S0G00000000000000\r", unknown},           // not hexadecimal
        {":I7310", Reply(Identification{}).index()}, // too short to use, still an ":I"
        {":E\r", Reply(Refusal{}).index()},
        {":F3\r", Reply(SpeedChange{}).index()},
        {":BZZ0\r", unknown},
        {":s0000\r", unknown},
        {"S00\r", unknown},
        {"", unknown},
    };
    for (const auto& [reply, kind] : cases) {
        EXPECT_EQ(Decode(reply).index(), kind) << reply;
    }
    EXPECT_FALSE(std::get<Identification>(Decode(":I7310")).Complete);
    EXPECT_EQ(std::get<Battery>(Decode(":BFF0\r")).Percent, 100);
    EXPECT_FALSE(std::get<Battery>(Decode(":B55\r")).Complete);

    // The laser start takes a prefix and a minimum length.
    const std::string id = EncodeIdentification("7310", "0730200300", "00012345", "06152026");
    EXPECT_TRUE(IsIdentification(id.substr(0, 33)));
    EXPECT_FALSE(IsIdentification(id.substr(0, 32)));
    EXPECT_TRUE(IsData(std::string(kNoDataReply) + "\r"));
    EXPECT_FALSE(IsData(kNoDataReply));
    EXPECT_FALSE(IsNoData(":S0000000000000000\r"));
    EXPECT_TRUE(IsUnitStatus(EncodeUnitStatus({})));
    EXPECT_FALSE(IsCalibration(":M" + std::string(kCalLen - 3, 'A')));
}

} // namespace
} // namespace vireon::fiber
