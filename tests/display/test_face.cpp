// The instrument's face on the window core: units, ranges and axes, peaks, the alarm, battery
// and temperature, on fakes and virtual time.

#include "core_rig.h"
#include "probe/fiber_replies.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace vireon::test {
namespace {

struct FaceRig : FiberRig {
    // The same field on each axis, in V/m (counts at 0.01 or 0.1 V/m a count).
    void FieldAll(double vpm) {
        const double slope = vpm <= 40 ? 0.01 : vpm <= 400 ? 0.1 : 1.0;
        const auto g = static_cast<uint8_t>(vpm <= 40 ? 0 : vpm <= 400 ? 1 : 16);
        const auto n = static_cast<int16_t>(std::lround(vpm / slope));
        Feed(fiber::EncodeData({{n, n, n}, {g, g, g}, false}));
    }
};

TEST(Face, UnitChangesReachTheReadingsAndTheRangeLimitsFollowTheUnitShown) {
    FaceRig r;
    r.FieldAll(10.0); // 17.32 V/m in total
    EXPECT_EQ(r.Text(Ctl::LabXYZField), "17.32");
    EXPECT_FALSE(r.view.Visible(Ctl::LabUnderRange));
    r.core->OnAction(Act::mnuProbeUnitsMWPCM);
    EXPECT_EQ(r.Text(Ctl::LabUnits), "mW/cm\xB2");
    EXPECT_TRUE(r.view.Checked(Act::mnuProbeUnitsMWPCM));
    EXPECT_FALSE(r.view.Checked(Act::mnuProbeUnitsVPM));
    r.FieldAll(10.0);
    EXPECT_EQ(r.Text(Ctl::LabXYZField), "0.07958");
    EXPECT_FALSE(r.view.Visible(Ctl::LabUnderRange)) << "17 V/m is no under-range in mW/cm2";
    // Three clicks on the units label come back to V/m, through (V/m)2.
    r.core->OnClick(Ctl::LabUnits);
    EXPECT_EQ(r.S().ProbeUnits, "V/m");
    r.core->OnClick(Ctl::LabUnits);
    EXPECT_EQ(r.Text(Ctl::LabUnits), "(V/m)\xB2");
    r.FieldAll(40.0); // 69.3 V/m in total
    EXPECT_FALSE(r.view.Visible(Ctl::LabOverRange)) << "69 V/m is no over-range in (V/m)2";
    r.FieldAll(1000.0);
    EXPECT_TRUE(r.view.Visible(Ctl::LabOverRange));
    // While logging, units stay.
    r.S().RecordOn = 1;
    r.core->OnClick(Ctl::LabUnits);
    EXPECT_EQ(r.S().ProbeUnits, "V2/m2");
    EXPECT_EQ(r.view.status, "Not allowed during logging.");
}

TEST(Face, EveryPeakClearingClearsEveryHoldShown) {
    for (const auto& clear : std::vector<std::function<void(FaceRig&)>>{
             [](FaceRig& r) { r.core->OnAction(Act::mnuProbeClearPeak); },
             [](FaceRig& r) { r.core->OnClick(Ctl::LabPeak); },
             [](FaceRig& r) {
                 r.core->OnPictureMouse(Ctl::Picture3, MouseKind::Down, 1, 100, 100);
             }}) {
        FaceRig r;
        r.FieldAll(30.0);
        r.FieldAll(1.0);
        ASSERT_EQ(r.Text(Ctl::LabMaxX), "30.00");
        clear(r);
        EXPECT_EQ(r.core->KD7300cls().MaxHoldXYZ(), 0);
        EXPECT_EQ(r.Text(Ctl::LabMaxXYZ), "0.000");
        EXPECT_EQ(r.Text(Ctl::LabMaxX), "0.000");
        r.FieldAll(1.0);
        EXPECT_EQ(r.Text(Ctl::LabMaxX), "1.000");
        // Logging keeps them.
        r.S().RecordOn = 1;
        clear(r);
        EXPECT_EQ(r.Text(Ctl::LabMaxX), "1.000");
    }
}

TEST(Face, TheAlarmBeepsOnlyAboveItsLevel) {
    FaceRig r;
    r.prompts.inputs = {std::string("abc"), std::string("-3"), std::string("12.5")};
    r.prompts.answers.push_back(MsgResult::No);
    for (int i = 0; i < 3; ++i) {
        r.core->OnAction(Act::mnuprobeAlarmSet);
    }
    EXPECT_EQ(r.S().AlarmValue, 12.5F);
    EXPECT_EQ(r.view.Of(Act::mnuprobeAlarmSet).caption, "Set Alarm Value ...       Value = 12.5");
    EXPECT_FALSE(r.view.Checked(Act::mnuprobeAlarm));
    EXPECT_EQ(r.core->GRGraph().Mark1(), 12.5F);
    r.FieldAll(10.0); // 17.3 V/m
    r.sched.Advance(1000);
    EXPECT_EQ(r.desktop.beeps, 0) << "no beep until enabled";
    r.core->OnAction(Act::mnuprobeAlarm);
    EXPECT_TRUE(r.view.Checked(Act::mnuprobeAlarm));
    r.sched.Advance(1000);
    EXPECT_EQ(r.desktop.beeps, 2) << "twice a second";
    r.Feed(fiber::EncodeData({{1250, 0, 0}, {0, 0, 0}, false})); // 12.5 V/m on X alone
    const int before = r.desktop.beeps;
    r.sched.Advance(1000);
    EXPECT_EQ(r.desktop.beeps, before) << "a field at the level does not beep";
}

TEST(Face, BatteryAndTemperatureRequestsComeOnTheirIntervalPerFamily) {
    struct Case {
        uint8_t family;
        const char* automatic;
        const char* dataReply; // takes the queued request
    };
    for (const Case& c : {Case{1, "s\r", ":S"}, Case{2, "R\r", ":D"}, Case{3, "B\r", ":D"}}) {
        CoreRig r;
        r.core->Load();
        r.core->Probe().TypeNumb(c.family);
        r.core->OnAction(Act::mnuProbeUpdate5);
        EXPECT_TRUE(r.view.Checked(Act::mnuProbeUpdate5));
        int requests = 0;
        for (int tick = 1; tick <= 12; ++tick) {
            r.sched.Advance(200);
            if (r.core->Probe().PendingCmndFlag()) {
                EXPECT_EQ(r.core->Probe().PendingCmnd(), c.automatic);
                EXPECT_TRUE(tick == 6 || tick == 12) << "tick " << tick;
                r.core->Probe().GetNextCmnd(c.dataReply);
                ++requests;
            }
        }
        EXPECT_EQ(requests, 2);
    }
    CoreRig r;
    r.core->Load();
    r.core->Battery().SetUpReadBattTemp(30);
    EXPECT_EQ(r.S().BattTempUpdateInterval, 50);
    EXPECT_TRUE(r.view.Checked(Act::mnuProbeUpdate30));
    r.core->OnAction(Act::mnuProbeUpdateoff);
    EXPECT_FALSE(r.core->HRTReadBattTemp().Enabled());
}

TEST(Face, TheBatteryGaugeShrinksTowardsItsTipAndTemperaturesFollowTheirUnit) {
    FaceRig r;
    EXPECT_FALSE(r.view.Visible(Ctl::ShapeBatLevel)) << "no gauge before a battery reply";
    const std::tuple<int, double, double, int32_t> gauges[] = {
        {100, 1150, 495, RGB(0, 255, 255)},
        {50, 1397.5, 247.5, RGB(0, 255, 255)},
        {3, 1150 + 0.9 * 495, 49.5, RGB(255, 255, 0)}};
    for (const auto& [percent, left, width, colour] : gauges) {
        r.Feed(fiber::EncodeBattery(percent));
        const TwipsRect g = r.view.Placed(Ctl::ShapeBatLevel);
        EXPECT_DOUBLE_EQ(g.Left - 6240, left) << percent;
        EXPECT_DOUBLE_EQ(g.Width, width) << percent;
        EXPECT_EQ(r.view.Of(Ctl::ShapeBatLevel).back, colour) << percent;
        EXPECT_EQ(r.Text(Ctl::LabBattery), std::to_string(percent) + " %");
        EXPECT_TRUE(r.view.Visible(Ctl::ShapeBatLevel));
    }
    r.Feed(fiber::EncodeUnitStatus({0x0376, 80, 16, 0x0BFF})); // probe 0.4 C, laser 1 C
    EXPECT_EQ(r.Text(Ctl::LabTemp), ".4 \xB0"
                                    "C");
    r.core->OnAction(Act::mnuProbeTempFahr);
    EXPECT_EQ(r.core->Probe().PendingCmnd(), "T\r") << "the temperature is asked for again";
    r.Feed(fiber::EncodeTemperature(25));
    EXPECT_EQ(r.Text(Ctl::LabTemp), "77.0 \xB0"
                                    "F");
    // A temperature reply keeps its leading zero, of the fiber probe and of the others.
    r.core->OnAction(Act::mnuProbeTempCels);
    r.Feed(fiber::EncodeTemperature(0.5));
    EXPECT_EQ(r.Text(Ctl::LabTemp), "0.5 \xB0"
                                    "C");
    r.core->Probe().TypeNumb(2);
    r.Feed(":T   0 \r");
    EXPECT_EQ(r.Text(Ctl::LabTemp), "0.0 \xB0"
                                    "C");
    r.core->Probe().TypeNumb(1);
    // The unit's low-battery flag blinks the label and turns the gauge yellow; cleared, cyan.
    r.Feed(fiber::EncodeBattery(60));
    r.Feed(fiber::EncodeData({{100, 100, 100}, {0, 0, 0}, true}));
    std::vector<bool> shown;
    for (int i = 0; i < 4; ++i) {
        r.sched.Advance(500);
        shown.push_back(r.view.Visible(Ctl::LabBattery));
    }
    EXPECT_NE(shown[0], shown[1]);
    EXPECT_NE(shown[1], shown[2]);
    EXPECT_EQ(r.view.Of(Ctl::ShapeBatLevel).back, RGB(255, 255, 0));
    // A screen reader is told in words, also when a new percentage comes.
    EXPECT_EQ(r.view.Of(Ctl::LabBattery).readerText, "60 % Low");
    r.Feed(fiber::EncodeBattery(59));
    EXPECT_EQ(r.view.Of(Ctl::LabBattery).readerText, "59 % Low");
    r.Feed(fiber::EncodeData({{100, 100, 100}, {0, 0, 0}, false}));
    r.sched.Advance(500);
    EXPECT_EQ(r.view.Of(Ctl::ShapeBatLevel).back, RGB(0, 255, 255));
    EXPECT_TRUE(r.view.Visible(Ctl::LabBattery));
    EXPECT_EQ(r.view.Of(Ctl::LabBattery).readerText, "59 %");
}

TEST(Face, RangeIndicatorAndAxesFollowTheProbe) {
    CoreRig r;
    r.core->Load();
    clsProbe& p = r.core->Probe();
    Readouts& face = r.core->Readout();
    p.TypeNumb(2);
    p.InputStr(":R3\r");
    face.UpdateRangeIndicator();
    EXPECT_EQ(r.view.Of(LabAxisRange(3)).fore, RGB(0, 255, 255));
    p.InputStr(":R4\r");
    face.UpdateRangeIndicator();
    EXPECT_EQ(r.view.Of(LabAxisRange(4)).fore, RGB(0, 255, 255));
    EXPECT_EQ(r.view.Of(LabAxisRange(3)).fore, RGB(128, 128, 128)) << "the old number greys";
    // Manual ranging: the numbers set the range, per axis when multiplexing.
    p.AutoRangeOn(0);
    r.core->OnClick(LabAxisRange(7));
    EXPECT_EQ(p.GetAxisRangeCmnd(2), "R3\r");
    r.core->OnClick(Ctl::LabRange);
    EXPECT_EQ(p.AutoRangeOn(), 1);
    EXPECT_EQ(r.Text(Ctl::LabRange), "Auto");
    r.core->OnClick(LabAxisRange(2));
    EXPECT_EQ(r.prompts.asked.back().text,
              "These range controls are only active when probe is in manual ranging.");
    r.core->OnClick(Ctl::LabRange); // and back to manual
    EXPECT_EQ(p.AutoRangeOn(), 0);
    EXPECT_EQ(r.Text(Ctl::LabRange), "Manual");
    // Axes: a click toggles it, the label greys when switched off.
    r.core->OnClick(Ctl::LabXAxis);
    EXPECT_EQ(p.GetAxisStr(), "ADEE\r");
    face.UpDateAxis();
    EXPECT_EQ(r.view.Of(Ctl::LabXAxis).fore, RGB(192, 192, 192));
    EXPECT_EQ(r.view.Of(Ctl::LabYAxis).fore, r.S().TextColor);
}

// A configured rate above 35 is shown as 35 once a fiber probe identifies itself; that is then
// the rate the probe is read at, not the one the list no longer shows.
TEST(Face, TheRateShownAfterTheProbeIdentifiesIsTheRateInForce) {
    CoreRig r;
    r.WriteCfg(r.Cfg("125"));
    r.core->Load();
    EXPECT_EQ(r.core->Probe().SampleRate(), 125);
    r.S().ProbeData = fiber::EncodeIdentification("7310", "0730200300", "00012345", "06152026");
    r.core->Probe().InputStr2(r.S().ProbeData);
    r.core->Process7300Format();
    EXPECT_EQ(r.view.Text(Ctl::CmbSampleRate), "35");
    EXPECT_EQ(r.core->Probe().SampleRate(), 35);
}

TEST(Face, EachFamilyGetsItsMenusWhenItIdentifies) {
    FaceRig fiber; // the fiber probe identified itself in the rig
    EXPECT_TRUE(fiber.view.Enabled(Act::mnuProbeUnits7300));
    EXPECT_FALSE(fiber.view.Of(Act::mnuProbeUnits52xx).visible);
    EXPECT_FALSE(fiber.view.Enabled(Act::mnuProbe3AxisData));
    EXPECT_FALSE(fiber.view.Enabled(Act::mnuProbeZero));
    EXPECT_TRUE(fiber.view.Visible(Ctl::LabXField)) << "three axes shown";
    EXPECT_EQ(fiber.view.Text(Ctl::CmbSampleRate), "15");
    CoreRig other;
    other.core->Load();
    other.S().FiberProbe = 0;
    other.core->Probe().TypeNumb(2);
    other.core->Readout().ChangeDisplay([] {});
    EXPECT_TRUE(other.view.Of(Act::mnuProbeUnits52xx).visible);
    EXPECT_TRUE(other.view.Enabled(Act::mnuProbeRangeTop));
    EXPECT_TRUE(other.view.Visible(Ctl::LabRange));
    EXPECT_FALSE(other.view.Of(Act::mnuProbeUnits7300).visible);
    // An Alternate Remote probe is offered the faster baud entries instead of the slower.
    other.core->OnAction(Act::mnuCommARProbe);
    EXPECT_EQ(other.core->Probe().StartARProbe(), 1);
    EXPECT_FALSE(other.view.Of(BaudEntry(0)).visible);
    EXPECT_TRUE(other.view.Of(BaudEntry(4)).visible);
    other.core->OnAction(Act::mnuCommARProbe);
    EXPECT_TRUE(other.view.Of(BaudEntry(0)).visible);
    EXPECT_FALSE(other.view.Of(BaudEntry(4)).visible);
}

} // namespace
} // namespace vireon::test
