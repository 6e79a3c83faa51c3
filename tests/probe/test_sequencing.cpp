// Next-command rules, reply expectations, intervals and queued commands.

#include "probe_test_util.h"

#include <gtest/gtest.h>

using namespace vireon;
using vireon::testing::Bare;
using vireon::testing::Data;
using vireon::testing::Family2;
using vireon::testing::RecordingHost;

namespace {

std::string Id34(const std::string& cols3to6) {
    return ":I" + cols3to6 + std::string(26, '0') + "\r";
}

} // namespace

TEST(ProbeSequencing, UnknownFamilyRules) {
    struct Case {
        std::string reply;
        std::string next;
        uint8_t family;
    };
    const std::vector<Case> cases = {
        {":N\r", "R", 0},
        {"", "R", 0}, // nothing received: send the same again
        {":S" + std::string(19, '0') + "\r", "I", 0},
        {":S0\r", "R", 0},
        {":D12345 V \r", "I", 0},
        {":I" + std::string(28, '0') + "\r", "R", 0}, // 31 characters: too short
        {Id34("7310"), "M", 1},
        {Id34("0150"), "i", 3},
        {":R4\r", "R", 2},
        {":X\r", "R", 0},
    };
    for (const auto& c : cases) {
        clsProbe p;
        EXPECT_EQ(Bare(p.GetNextCmnd(c.reply)), c.next) << c.reply;
        EXPECT_EQ(p.TypeNumb(), c.family) << c.reply;
    }
    clsProbe fiber;
    fiber.GetNextCmnd(Id34("7350"));
    EXPECT_EQ(fiber.GetModel(), "KD-7350");
    EXPECT_FLOAT_EQ(fiber.LowerLimit(), 2.0f);

    // ":E" alternates between asking the range and asking the identity.
    clsProbe e;
    EXPECT_EQ(Bare(e.GetNextCmnd(":E\r")), "R");
    EXPECT_EQ(Bare(e.GetNextCmnd(":E\r")), "I");
    EXPECT_EQ(Bare(e.GetNextCmnd(":E\r")), "R");

    // Range 0 means the probe ranges by itself: take over in range 3 with auto-ranging.
    clsProbe r0;
    r0.GetNextCmnd(":R0\r");
    EXPECT_EQ(r0.Range(), 3);
    EXPECT_EQ(r0.AutoRangeOn(), 1);
    EXPECT_EQ(r0.IdentifyStep(), -1);
}

TEST(ProbeSequencing, Family2Rules) {
    struct Case {
        std::string model;
        std::string last;
        std::string reply;
        std::string next;
        uint8_t family;
    };
    const std::vector<Case> cases = {
        {"KD-5233 HSE", "D2", ":R3\r", "D2", 2},     {"KD-5233 HSE", "D2", "#R3\r", "D2", 2},
        {"KD-5233 HSE", "D2", ":N\r", "R", 2},       {"KD-5233 HSE", "D2", "#P\r", "R", 2},
        {"KD-5233 HSE", "D2", ":B 95.0\r", "TF", 2}, {"KD-1902", "D2", ":B 95.0\r", "D2", 2},
        {"KD-1836", "B", "#B 95.0\r", "D2", 2},      {"KD-5233 HSE", "TF", ":T 023F\r", "D2", 2},
        {"KD-5233 HSE", "Z", ":Z\r", "D2", 2},       {"KD-5233 HSE", "P1", ":P\r", "D2", 2},
        {"KD-5233 HSE", "U1", ":U\r", "D2", 2},      {"KD-5233 HSE", "A", "#A\r", "D2", 2},
        {"KD-5233 HSE", "R", ":E\r", "I", 1},        {"KD-5233 HSE", "R5", "#E\r", "D2", 2},
        {"KD-5233 HSE", "U3", ":E\r", "U3", 2},      {"KD-5233 HSE", "D2", ":S0\r", "D2", 1},
        {"KD-5233 HSE", "D2", ":Q\r", "D2", 2},
    };
    for (const auto& c : cases) {
        clsProbe p = Family2(c.model);
        p.GetNextCmnd(":R2\r");
        p.SetDefaultCmnd("D2");
        p.SetNextCmnd(c.last); // becomes the last command sent
        p.GetNextCmnd(Data("1.000", " V "));
        ASSERT_EQ(Bare(p.GetLastCmnd()), c.last);
        EXPECT_EQ(Bare(p.GetNextCmnd(c.reply)), c.next) << c.model << " " << c.reply;
        EXPECT_EQ(p.TypeNumb(), c.family) << c.reply;
    }
}

TEST(ProbeSequencing, ReplyExpectations) {
    struct Case {
        uint8_t family;
        std::string cmd;
        int16_t length;
        int16_t interval; // -1: the data-command interval
    };
    const std::vector<Case> cases = {
        {1, "I", 34, 100}, {1, "S", 19, -1},    {1, "BP", 6, 100},  {1, "F3", 4, 100},
        {1, "T", 7, 1000}, {1, "M", 579, 6000}, {1, "s", 37, -1},   {2, "D2", 19, -1},
        {2, "R3", 4, 30},  {2, "U2", 3, 20},    {2, "AEDD", 3, 20}, {2, "TC", 8, -1},
        {2, "B", 8, -1},   {2, "I", 34, -1},    {3, "D1", 11, -1},  {3, "B", 8, 66},
        {3, "i", 25, 66},  {3, "X", 4, 66}, // no row: unchanged
    };
    for (const auto& c : cases) {
        clsProbe p;
        p.SampleRate(4); // data interval 250 ms, distinct from the others
        p.TypeNumb(c.family);
        p.SetNextCmnd(c.cmd); // sent at the next free turn
        p.GetNextCmnd(c.family == 1 ? ":S\r" : c.family == 3 ? ":D\r" : Data("1.000", " V "));
        EXPECT_EQ(Bare(p.GetNextCmnd2()), c.cmd) << int(c.family) << " " << c.cmd;
        EXPECT_EQ(p.GetRThreshold(), c.length) << int(c.family) << " " << c.cmd;
        EXPECT_EQ(p.GetTimerInterval(), c.interval < 0 ? 250 : c.interval)
            << int(c.family) << " " << c.cmd;
    }
    // While identifying, family-2 data use the other-command interval.
    clsProbe id;
    id.SampleRate(4);
    id.GetNextCmnd(":R2\r");
    id.InputStr(":R2\r");
    for (int i = 0; i < 3; ++i) {
        id.InputStr2(":R5\r");
    }
    EXPECT_EQ(Bare(id.GetNextCmnd2()), "D2");
    EXPECT_EQ(id.GetTimerInterval(), 66);
}

TEST(ProbeSequencing, UnitCommandsTrackTheUnitAndTakeDetours) {
    clsProbe p = Family2("KD-5233 HSE"); // two units
    const std::vector<std::pair<std::string, int16_t>> steps = {{"U2", 2}, {"UN", 1}, {"UN", 2},
                                                                {"U1", 1}, {"U3", 3}, {"UN", 1}};
    for (const auto& [cmd, unit] : steps) {
        p.SetNextCmnd(cmd);
        p.GetNextCmnd(Data("1.000", " V "));
        EXPECT_EQ(p.GetTrackedUnit(), unit) << cmd;
    }
    // The STE reaches unit 2 through range 3; "UN" from unit 1 needs that detour in range 4.
    clsProbe ste = Family2("KD-5233 STE");
    ste.SetNextCmnd("U2\r");
    EXPECT_EQ(Bare(ste.GetNextCmnd(Data("1.000", " V "))), "R3");
    EXPECT_EQ(Bare(ste.GetNextCmnd(":R3\r")), "U2");
    EXPECT_EQ(Bare(ste.GetNextCmnd(":U\r")), "D2");
    ste.GetNextCmnd(":R4\r");
    ste.SetNextCmnd("UN");
    EXPECT_EQ(ste.PendingCmnd(), "R3\r");
}

TEST(ProbeSequencing, IntervalsFromSampleRate) {
    clsProbe p = Family2("KD-5222"); // minimum 60 ms
    p.SampleRate(14);
    EXPECT_EQ(p.GetDataInterval(), 71);
    p.SampleRate(50);
    EXPECT_EQ(p.GetDataInterval(), 60);
    EXPECT_EQ(p.GetMaxSamRate(), 16);
    p.MultiplexPrefered(1);
    EXPECT_EQ(p.MultiplexOn(), 1);
    p.SampleRate(2); // (1000 - 150) / 6
    EXPECT_EQ(p.GetDataInterval(), 141);
    EXPECT_EQ(p.GetMaxSamRate(), 3); // 1000 / 330
    p.SampleRate(0);                 // never divides by zero
    EXPECT_GE(p.GetDataInterval(), 60);
}

TEST(ProbeSequencing, LostCommRestartsIdentification) {
    clsProbe p = Family2("KD-5253");
    p.GetNextCmnd(Data("1.000", " V "));
    p.InputStr(Data("1.000", " V "));
    p.LostComm(1);
    EXPECT_EQ(p.GetModel(), "");
    EXPECT_EQ(Bare(p.GetNextCmnd("")), "I");
    EXPECT_EQ(p.GetRThreshold(), 34);
    p.StartARProbe(1);
    EXPECT_EQ(p.GetNextCmnd("garbage"), std::string(1, '\0') + "\r");
    EXPECT_EQ(p.GetRThreshold(), 3);
    // Any reply starting with ':' ends the lost state.
    EXPECT_EQ(Bare(p.GetNextCmnd(":R2\r")), std::string(1, '\0'));
    EXPECT_EQ(p.LostComm(), 0);
    EXPECT_EQ(p.TypeNumb(), 2);
}

TEST(ProbeSequencing, MultiplexCycleKeepsPendingUntilZ) {
    clsProbe p = Family2("KD-5233 HSE");
    p.MultiplexPrefered(1);
    p.AutoRangeOn(1);
    ASSERT_EQ(p.MultiplexOn(), 1);
    EXPECT_EQ(Bare(p.GetNextCmnd(Data("1.000", " V ", ' ', 'N', "EEE"))), "AEDD");
    p.SetNextCmnd("B");
    EXPECT_EQ(Bare(p.GetNextCmnd(":A\r")), "D2");
    EXPECT_EQ(Bare(p.GetNextCmnd(Data("1.000", " V ", ' ', 'N', "EDD"))), "ADED");
    EXPECT_EQ(p.GetMultiCurrAxis(), 1);
    p.GetNextCmnd(":A\r");
    EXPECT_EQ(Bare(p.GetNextCmnd(Data("1.000", " V ", ' ', 'N', "DED"))), "ADDE");
    p.GetNextCmnd(":A\r");
    EXPECT_EQ(Bare(p.GetNextCmnd(Data("1.000", " V ", ' ', 'N', "DDE"))), "AEDD");
    EXPECT_EQ(p.GetMultiCurrAxis(), 3);
    p.GetNextCmnd(":A\r");
    // The cycle X-Y-Z is complete: now the queued command goes out.
    EXPECT_EQ(Bare(p.GetNextCmnd(Data("1.000", " V ", ' ', 'N', "EDD"))), "B");
    EXPECT_FALSE(p.PendingCmndFlag());

    // Manual ranging: each axis gets its own range after its axis command.
    p.SetAxisRange(2, 4);
    p.AutoRangeOn(0);
    p.GetNextCmnd(":B 95.0\r");
    p.GetNextCmnd(":T 023F\r");
    EXPECT_EQ(Bare(p.GetNextCmnd(Data("1.000", " V ", ' ', 'N', "EDD"))), "ADED");
    EXPECT_EQ(Bare(p.GetNextCmnd(":A\r")), "R4");
    // Switching the preference off queues all axes on.
    p.MultiplexPrefered(0);
    EXPECT_EQ(p.PendingCmnd(), "AEEE\r");
    EXPECT_EQ(p.MultiplexOn(), 0);
}

TEST(ProbeSequencing, AutoRangeHuntingAndLimits) {
    clsProbe p = Family2("KD-5233 HSE"); // unit 1: threshold 900 * 0.245 at range 4
    p.AutoRangeOn(1);
    p.GetNextCmnd(":R4\r");
    EXPECT_EQ(Bare(p.GetNextCmnd(Data("100.0", " V "))), "R3");
    EXPECT_EQ(p.InputStr(Data("100.0", " V ")), 0); // reading dropped while the range changes

    // Alternate between range 4 (under) and 3 (over): after more than five changes the
    // probe stays in range 4 even though the reading is under range.
    clsProbe h = Family2("KD-5233 HSE");
    h.AutoRangeOn(1);
    std::vector<std::string> sent;
    for (int i = 0; i < 14; ++i) {
        h.GetNextCmnd(i % 2 == 0 ? ":R4\r" : ":R3\r");
        sent.push_back(
            Bare(h.GetNextCmnd(i % 2 == 0 ? Data("100.0", " V ") : Data("999.0", " V ", 'O'))));
    }
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "D2"), 1);
    EXPECT_EQ(h.UnderRangeFlag(), 0);

    // Auto-range off: over range is reported and the range stays.
    clsProbe m = Family2("KD-5233 HSE");
    m.GetNextCmnd(":R2\r");
    EXPECT_EQ(Bare(m.GetNextCmnd(Data("35.00", " V ", 'O'))), "D2");
    EXPECT_EQ(m.InputStr(Data("35.00", " V ", 'O')) &
                  (clsProbe::kNewReading | clsProbe::kOverRange),
              clsProbe::kNewReading | clsProbe::kOverRange);
    EXPECT_EQ(m.Range(), 2);
}

TEST(ProbeSequencing, FiberAndEHRules) {
    RecordingHost host;
    clsProbe f;
    f.SetHost(&host);
    f.TypeNumb(1);
    EXPECT_EQ(Bare(f.GetNextCmnd(":B64\r")), "S");
    f.SetHighSpeedMode(11);
    EXPECT_EQ(Bare(f.GetNextCmnd(":S\r")), "F4");
    EXPECT_EQ(Bare(f.GetNextCmnd(":F1\r")), "S"); // window has nothing to add
    EXPECT_EQ(f.GetModelMinInterval(), 28);
    EXPECT_EQ(Bare(f.GetNextCmnd(":M" + std::string(100, '0'))), "S"); // incomplete: unchanged
    host.answer = "s";
    EXPECT_EQ(Bare(f.GetNextCmnd(":M" + std::string(577, '0'))), "s");
    EXPECT_EQ(f.GetRThreshold(), 37);
    EXPECT_EQ(host.handoffCodes, (std::vector<std::string>{":F1", ":M0"}));
    f.SetNextCmnd("T");
    EXPECT_EQ(Bare(f.GetNextCmnd(":S000\r")), "T");
    EXPECT_EQ(Bare(f.GetNextCmnd(":E\r")), "T"); // an error after "T" changes nothing
    f.GetNextCmnd(":N\r");
    EXPECT_EQ(Bare(f.GetNextCmnd(":E\r")), "R"); // after "I": try the four-range family
    EXPECT_EQ(f.TypeNumb(), 2);

    clsProbe eh;
    eh.TypeNumb(3);
    eh.UseCelsiusTemp(1);
    EXPECT_EQ(Bare(eh.GetNextCmnd(":B 88.0\r")), "TC");
    eh.SetNextCmnd("B");
    EXPECT_EQ(Bare(eh.GetNextCmnd(":D 1.000 V \r")), "B");
}
