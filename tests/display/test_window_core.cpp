// The window core without Qt, on fakes and virtual time: start-up and shutdown, pacing and
// housekeeping, the fiber probe's replies on the readouts, and File > Open.

#include "core_rig.h"
#include "probe/fiber_replies.h"
#include "sim_probe_eh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace vireon::test {
namespace {

namespace fs = std::filesystem;

TEST(WindowCore, StartUpAsksForAMissingConfigurationShowsTheSplashAndSendsNothing) {
    CoreRig r(false);
    r.dialogs.portAnswer = 4;
    bool portOpenDuringSplash = true;
    r.dialogs.OnSplash = [&] { portOpenDuringSplash = r.link.IsOpen(); };
    r.core->Load();
    EXPECT_FALSE(portOpenDuringSplash) << "the port opens after the splash";
    EXPECT_EQ(r.dialogs.portAsked, 1);
    EXPECT_EQ(r.dialogs.splashUnloadedAt - r.dialogs.splashShownAt, 3000);
    EXPECT_TRUE(r.link.IsOpen());
    EXPECT_EQ(r.link.CommPort(), 4);
    EXPECT_TRUE(r.view.Checked(CommEntry(4)));
    EXPECT_FALSE(r.view.Checked(CommEntry(3)));
    EXPECT_TRUE(r.link.sent.empty()) << "start-up sends no command";
    EXPECT_FALSE(r.view.Enabled(Act::mnuFileSaveAs));
    EXPECT_EQ(r.Text(Ctl::LabMaxXYZ), "0.0");
    EXPECT_EQ(r.Text(Ctl::LabXYZField), "No Probe");
    EXPECT_EQ(r.view.caption, "Vireon II");
    EXPECT_TRUE(r.prompts.asked.empty());
    // Defaults: 15 samples per second offers 20 down to 1, 7 text updates a second.
    EXPECT_EQ(r.view.Of(Ctl::CmbSampleRate).items.front(), "20");
    EXPECT_EQ(r.view.Text(Ctl::CmbSampleRate), "15");
    EXPECT_EQ(r.core->HRTUpDateText().Interval(), 143);
}

TEST(WindowCore, SampleRatesAndTheTextThrottle) {
    CoreRig r;
    r.core->Load();
    RateControl& rates = r.core->Rates();
    const std::pair<int16_t, std::pair<int16_t, double>> throttle[] = {
        {100, {70, 14}}, {10, {10, 100}}, {3, {3, 333}}};
    for (const auto& [asked, expect] : throttle) {
        EXPECT_EQ(rates.SetTextUpdateTimer(asked), expect.first) << asked;
        EXPECT_EQ(r.core->HRTUpDateText().Interval(), expect.second) << asked;
    }
    rates.SetSampleRate("Max");
    EXPECT_EQ(r.S().MaxSpeedFlag, -1);
    EXPECT_EQ(r.S().RthresEnabled, 1);
    rates.SetSampleRate("25");
    EXPECT_EQ(r.S().MaxSpeedFlag, 0);
    EXPECT_EQ(r.S().RthresEnabled, 1) << "leaving Max keeps the receive mode";
    EXPECT_EQ(r.core->Probe().SampleRate(), 25);
    rates.SetSampleRate("abc");
    EXPECT_EQ(r.S().SampleRate, "0");
    EXPECT_EQ(r.core->Probe().SampleRate(), 25) << "a rate of 0 changes nothing else";
}

TEST(WindowCore, HousekeepingShowsTheRateEveryTwoSecondsAndTheModelAfterSevenAndAHalf) {
    CoreRig r;
    r.core->Load();
    r.core->Probe().InputStr2(fiber::EncodeIdentification("7310", "0730200300", "1", "1"));
    r.core->Faces().StatusText("Something happened");
    r.S().RateDivider = 0;
    r.S().ActualSamPerSec = 0;
    const double start = r.sched.Now();
    for (int i = 0; i < 31; ++i) {
        r.S().ProbeData = fiber::EncodeData({{1, 1, 1}, {0, 0, 0}, false});
        r.core->Process7300Format();
    }
    r.sched.Advance(2000 - std::fmod(start, 500.0));
    EXPECT_EQ(r.Text(Ctl::LabSamRate), "15.5");
    EXPECT_EQ(r.view.status, "Something happened");
    r.sched.Advance(5500);
    EXPECT_EQ(r.view.status, r.core->Probe().GetModel());
    EXPECT_FALSE(r.view.status.empty());
}

// Each kind of fiber reply, through the typed decoder, to what the window shows.
TEST(WindowCore, EveryFiberReplyReachesItsLabels) {
    FiberRig r;
    r.Feed(fiber::EncodeIdentification("7310", "0730200300", "00012345", "06152026"));
    EXPECT_EQ(r.view.status, "Uploading Data Please Wait...");
    EXPECT_EQ(r.core->Description().CalDate, "06/15/2026");
    EXPECT_EQ(r.core->Description().SerialNo, "00012345");
    EXPECT_EQ(r.Text(Ctl::LabUnits), "V/m");
    r.Feed(sim::SimFiberUnit::CalibrationReply());
    EXPECT_EQ(r.view.status, "KD-7310");
    // A reply cut short by the receive event is completed from the line: 20 V/m on each axis
    // at 0.01 V/m a count.
    const std::string whole = fiber::EncodeData({{2000, 2000, 2000}, {0, 0, 0}, false});
    r.link.rx = whole.substr(9);
    r.Feed(whole.substr(0, 9));
    EXPECT_EQ(r.Text(Ctl::LabXField), "20.00");
    r.Feed(std::string(fiber::kNoDataReply) + "\r");
    EXPECT_EQ(r.view.status, std::string("Probe not initialized correctly. ") +
                                 std::string(fiber::kNoDataReply) + "\r");
    EXPECT_EQ(r.S().BatteryLow, 1);
    r.Feed(fiber::EncodeUnitStatus({0x0376, 4900, -1, 0x0BFF}));
    EXPECT_EQ(r.Text(Ctl::LabLaserCur), "1.250");
    EXPECT_EQ(r.Text(Ctl::LabConVolt), "5.00 V");
}

// The About box describes an E/H probe from its own identification and revision replies.
TEST(WindowCore, AnEHProbeIsDescribedToo) {
    CoreRig r;
    r.core->Load();
    sim::SimProbeEH dev("E150", {});
    for (const char* cmd : {"R", "R", "I", "i"}) { // the identification's commands
        r.core->Probe().InputStr2(dev.Answer(cmd, 0).value_or(""));
    }
    const ProbeDescription d = r.core->Description();
    EXPECT_EQ(std::tuple(d.Model, d.SerialNo, d.SoftRev, d.CalDate),
              std::tuple("E150", "EH150017", "EH 2.10   ", "03/15/2026"));
}

TEST(WindowCore, FiberProbeStartsShowsItsReadingsAsksItsStatusOnTimeAndGoesOff) {
    CoreRig r;
    r.core->Load();
    FiberLine line(r, 10.0);
    r.core->OnClick(Ctl::CmdStart);
    line.Run(r, 3000);
    ASSERT_EQ(r.S().LaserState, kLaserRunning);
    EXPECT_EQ(r.core->Probe().GetModel(), "KD-7310");
    EXPECT_EQ(r.Text(Ctl::LabXYZField), "17.32");
    EXPECT_EQ(r.Text(Ctl::LabXField), "10.00");
    EXPECT_TRUE(r.view.Visible(Ctl::LabUnits));
    EXPECT_FALSE(r.view.Visible(Ctl::ProgressBar1));
    EXPECT_GT(r.S().Graph.SweepPos, 1);
    EXPECT_GT(r.core->GRBarGraph().PeakPos(0), r.core->GRBarGraph().BarOrigin());
    // With readings flowing at 15 a second, the unit's status still goes out every 10.2 s
    // (51 ticks of 200 ms): 153 readings between two requests.
    line.Run(r, 22000);
    const auto& sent = r.link.sent;
    const auto last = std::find(sent.rbegin(), sent.rend(), "s\r");
    const auto previous = std::find(last + 1, sent.rend(), "s\r");
    ASSERT_NE(previous, sent.rend());
    EXPECT_EQ(std::count(last, previous, "S\r"), 153);
    r.core->OnClick(Ctl::CmdOff);
    line.Run(r, 300);
    EXPECT_EQ(r.S().LaserState, kLaserOff);
    EXPECT_EQ(r.link.sent.back(), "o\r");
    EXPECT_EQ(r.Text(Ctl::LabXYZField), "No Probe");
}

// Logging the moving average, five requests go unanswered and the reply after them comes late:
// the link comes back through identification and its calibration, and neither the average nor
// the log takes in anything but readings.
TEST(WindowCore, ALinkHiccupComesBackThroughIdentificationAndInventsNoReading) {
    CoreRig r;
    r.core->Load();
    FiberLine line(r, 10.0);
    r.core->OnClick(Ctl::CmdStart);
    line.Run(r, 3000);
    ASSERT_EQ(r.S().LaserState, kLaserRunning);
    r.S().MinAverText = "10 Second";
    r.core->Exposure().SetMinuteAverTime();
    r.core->OnAction(Act::mnuViewExposure);
    r.core->OnAction(Act::mnuProbeRecord);
    line.Run(r, 12000);
    const float field = r.core->KD7300cls().XYZ();
    ASSERT_NEAR(r.core->Exposure().Average, field, 1e-3);

    const size_t outageAt = r.link.sent.size();
    int answers = 0;
    std::string late;
    auto lateTimer = r.sched.MakeTimer(40, false);
    lateTimer->OnTick = [&] {
        lateTimer->Enabled(false);
        r.link.Receive(late);
    };
    auto answer = r.link.OnOutput;
    r.link.OnOutput = [&](const std::string& cmd) {
        answer(cmd);
        if (++answers <= 6) {
            late.swap(line.pending);
            line.pending.clear();
            lateTimer->Enabled(answers == 6); // the sixth answer comes 40 ms late
        }
    };
    line.Run(r, 13000);

    const std::vector<std::string> after(r.link.sent.begin() + static_cast<long>(outageAt),
                                         r.link.sent.end());
    EXPECT_NE(std::find(after.begin(), after.end(), "I\r"), after.end());
    EXPECT_NE(std::find(after.begin(), after.end(), "M\r"), after.end());
    EXPECT_FALSE(r.view.busy);
    EXPECT_TRUE(r.view.Visible(Ctl::LabUnits));
    EXPECT_EQ(r.Text(Ctl::LabXYZField), "17.32");
    const LogModel& log = r.core->Log().Log();
    for (int32_t row = 1; row <= log.RecordCnt; ++row) {
        EXPECT_NEAR(log.LogData[static_cast<size_t>(row)][1], field, 1e-3) << row;
        if (row >= 10) {
            EXPECT_NEAR(log.LogData[static_cast<size_t>(row)][2], field, 1e-3) << row;
        }
    }
}

// A start that fails after readings were shown leaves no reading behind and the laser off.
TEST(WindowCore, AFailedStartClearsTheReadoutsAndSwitchesTheLaserOff) {
    CoreRig r;
    r.core->Load();
    FiberLine line(r, 20.0);
    int dataReplies = 0;
    auto answer = r.link.OnOutput;
    r.link.OnOutput = [&](const std::string& cmd) {
        answer(cmd);
        if (cmd == "S\r" && ++dataReplies == 3) {
            line.pending = ":X" + line.pending.substr(2); // corrupted on the line
        }
    };
    r.core->OnClick(Ctl::CmdStart);
    line.Run(r, 3000);
    EXPECT_EQ(r.S().LaserState, kLaserOff);
    EXPECT_EQ(r.Text(Ctl::LabXYZField), "No Probe");
    EXPECT_EQ(r.link.sent.back(), "o\r");
    EXPECT_EQ(r.view.status, kStartFailedData);
}

// Folders named in other scripts reach the file untouched; an unknown scale is reported once,
// when the log is opened; a file that cannot be read keeps the log shown.
TEST(WindowCore, OpenedLogsAndOneThatCannotBeRead) {
    CoreRig r;
    r.core->Load();
    for (const char* name : {"Messung S\xC3\xBC"
                             "d",
                             "\xE6\xB8\xAC\xE5\xAE\x9A"}) {
        const fs::path dir =
            r.folder / fs::path(std::u8string(reinterpret_cast<const char8_t*>(name)));
        fs::create_directories(dir);
        std::ofstream(dir / "run.csv", std::ios::binary)
            << "Header\r\nGraphScale," << (r.prompts.asked.empty() ? "Bogus" : "0-35")
            << "\r\nUnits,V/m\r\nEndHeader\r\nTime ,Field "
               "V/m\r\n08:00:00,12.5\r\n08:00:01,13.5\r\n";
        r.prompts.fileName = dir / "run.csv";
        r.core->OnAction(Act::mnuFileOpen);
        EXPECT_EQ(r.core->GRGraph().DataCnt(), 2) << name;
        EXPECT_EQ(r.view.status, "Completed");
        EXPECT_EQ(r.S().DefaultSavePath, dir);
        ASSERT_EQ(r.prompts.asked.size(), 1u);
        EXPECT_EQ(r.prompts.asked[0].text, "Graph scale not found: Bogus");
    }
    r.prompts.fileName = r.folder / "missing.csv";
    r.core->OnAction(Act::mnuFileOpen);
    EXPECT_EQ(r.core->GRGraph().DataCnt(), 2);
    EXPECT_FLOAT_EQ(r.core->GRGraph().ReadData(2, 2), 13.5F);
    EXPECT_NE(r.view.status, "Completed");
    ASSERT_EQ(r.prompts.asked.size(), 2u);
    const std::string& said = r.prompts.asked.back().text;
    EXPECT_NE(said.find("missing.csv"), std::string::npos) << said;
    EXPECT_NE(said.find("does not exist"), std::string::npos) << said;
    r.prompts.CloseNotices();
    FiberLine line(r, 5.0);
    r.core->OnClick(Ctl::CmdStart);
    line.Run(r, 3000);
    EXPECT_EQ(r.S().LaserState, kLaserRunning);
    EXPECT_EQ(r.prompts.asked.size(), 2u) << "the scale is not reported again at Start";
}

TEST(WindowCore, ClosingAsksAboutTheLaserOnlyWhenItIsOnAndSavesTheSettings) {
    struct Case {
        int16_t laser;
        bool ask;
        MsgResult answer;
        size_t questions;
        size_t offs;
    };
    const Case cases[] = {{kLaserOff, true, MsgResult::Yes, 0, 0},
                          {kLaserRunning, true, MsgResult::Yes, 1, 2},
                          {kLaserRunning, true, MsgResult::No, 1, 0},
                          // left unanswered because the program is ending: off, as unasked
                          {kLaserRunning, true, MsgResult::Cancel, 1, 2},
                          {kLaserRunning, false, MsgResult::No, 0, 2}};
    for (const Case& c : cases) {
        CoreRig r;
        r.core->Load();
        r.S().LaserState = c.laser;
        r.S().DefaultSavePath = r.folder / fs::path(u8"Messung S\u00FCd");
        r.prompts.answers.push_back(c.answer);
        const double before = r.sched.Now();
        r.core->Unload(c.ask);
        EXPECT_EQ(r.prompts.asked.size(), c.questions);
        EXPECT_EQ(std::count(r.link.sent.begin(), r.link.sent.end(), "o\r"),
                  static_cast<long>(c.offs));
        if (c.offs == 2) {
            EXPECT_EQ(r.sched.Now() - before, 100) << "100 ms between the two";
        }
        EXPECT_FALSE(r.link.IsOpen());
        CfgSettings saved;
        const CfgLoadResult loaded = LoadCfg(r.folder / "VireonII.cfg", saved, "");
        EXPECT_TRUE(loaded.Complete) << loaded.Problem;
        EXPECT_EQ(saved.CommPortNo, 3);
        EXPECT_EQ(SettingsApplier::PathOf(saved.DefaultSavePath), r.S().DefaultSavePath);
    }
}

// Every setting a menu or the options dialog changes is there again after a restart, and the
// file the exit wrote reads back whole.
TEST(WindowCore, SettingsChangedThroughTheWindowSurviveARestart) {
    PlatformFakes fakes;
    {
        FakeWindowView view;
        WindowCore core(fakes.Platform(), view);
        core.Load();
        core.OnAction(Act::mnuProbeUnitsMWPCM);
        fakes.prompts.inputs.push_back(std::string("7.5"));
        fakes.prompts.answers.push_back(MsgResult::Yes);
        core.OnAction(Act::mnuprobeAlarmSet);
        core.OnAction(Act::mnuViewStatusBar);
        core.OnAction(CommEntry(4));
        core.OnComboPick(Ctl::CmbSampleRate, "12");
        core.OnComboPick(Ctl::cmbSamPerDiv, "100");
        core.OnAction(Act::mnuProbeUpdate60);
        core.OnAction(Act::mnuProbeTempFahr);
        core.OnAction(RangeEntry(2));
        core.OnAction(Act::mnuProbePlotComposite);
        core.OnAction(Act::mnuProbe3AxisData);
        OptionsForm f = core.Option().Load();
        f.TextRate = "12";
        f.Averaging = "20";
        f.MinAverText = "3 Minute";
        f.Period = "90";
        f.Periodic = true;
        f.HorizontalLines = false;
        f.X = RGB(1, 2, 3);
        f.Back = RGB(4, 5, 6);
        f.Text = RGB(7, 8, 9);
        f.Box = RGB(10, 11, 12);
        f.Window = RGB(13, 14, 15);
        f.MatchBars = true;
        core.Option().Apply(f);
        core.Unload();
    }
    CfgSettings saved;
    const CfgLoadResult read = LoadCfg(fakes.folder / "VireonII.cfg", saved, "");
    ASSERT_TRUE(read.Complete) << read.Problem;
    FakeWindowView view;
    WindowCore core(fakes.Platform(), view);
    core.Load();
    const WindowState& s = core.State();
    EXPECT_EQ(std::tuple(s.ProbeUnits, s.AlarmValue, s.StatusBarOn, s.CommPortNo, s.SampleRate,
                         view.Text(Ctl::cmbSamPerDiv), s.BattTempUpdateInterval,
                         core.Probe().AutoRangeOn(), s.Graph.PlotComp),
              std::tuple("mW/cm2", 7.5F, false, 4, "12", "100", 150, 0, 0));
    for (Act a : {Act::mnuProbeUnitsMWPCM, Act::mnuprobeAlarm, Act::mnuProbeTempFahr}) {
        EXPECT_TRUE(view.Checked(a)) << Name(a);
    }
    EXPECT_FALSE(view.Checked(Act::mnuProbe3AxisData));
    EXPECT_EQ(std::tuple(s.GITDisplayUpdate, s.GITxtAverage, s.MinAverText, s.PeriodicInterval,
                         s.PeriodicIntervalEnabled, s.DisplayHorLinesFlag, s.MatchBarGraphToScatt),
              std::tuple(12, 20, "3 Minute", 90, 1, 2, 1));
    EXPECT_EQ(core.GRGraph().GetChanLineColour(3), RGB(1, 2, 3));
    EXPECT_EQ(core.GRBarGraph().BarColor(1), RGB(1, 2, 3)) << "the bars match the traces";
    EXPECT_EQ(core.GRGraph().BackGround(), RGB(4, 5, 6));
    EXPECT_EQ(view.Of(Ctl::LabXYZField).fore, RGB(7, 8, 9));
    EXPECT_EQ(view.Of(Ctl::ShaMain).back, RGB(10, 11, 12));
    EXPECT_EQ(view.background, RGB(13, 14, 15));
    core.Unload();
}

// A configuration that cannot be written says so and where; the exit goes on.
TEST(WindowCore, ASettingsFileThatCannotBeWrittenIsReportedAtExit) {
    CoreRig r(false);
    fs::create_directories(r.folder / "VireonII.cfg"); // a folder where the file should be
    r.core->Load();
    r.core->Unload();
    ASSERT_FALSE(r.prompts.asked.empty());
    const std::string& said = r.prompts.asked.back().text;
    EXPECT_NE(said.find("could not be saved to"), std::string::npos) << said;
    EXPECT_NE(said.find("VireonII.cfg"), std::string::npos) << said;
    EXPECT_FALSE(r.link.IsOpen());
    EXPECT_FALSE(r.store.values.empty()) << "the placement is still saved";
}

TEST(WindowCore, PlacementIsRestoredAndSavedByWindowState) {
    for (int state : {0, 1, 2}) {
        CoreRig r;
        r.store.values["Settings/MainLeft"] = "100";
        r.core->Load();
        EXPECT_EQ(r.view.placement.Left, 100);
        EXPECT_EQ(r.view.placement.Width, 11535);
        EXPECT_EQ(r.view.placement.Height, 7590);
        r.view.placement = {200, 300, 9000, 8000, state};
        r.core->Unload();
        EXPECT_EQ(r.store.values["Settings/MainLeft"], state == 0 ? "200" : "100") << state;
        EXPECT_EQ(r.store.values.count("Settings/WindowState"), state == 1 ? 0u : 1u);
    }
}

} // namespace
} // namespace vireon::test
