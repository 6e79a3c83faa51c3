// Logging, playback and the moving average in the window core, on fakes and virtual time:
// the RecordOn states with their menus, the rows, the 512000-row limit, Save as, the question
// before unsaved readings go, the recovery journal and the header notes.

#include "core_rig.h"
#include "files/HeaderNotes.h"
#include "probe/fiber_replies.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vireon::test {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kRed = RGB(255, 0, 0);
constexpr int32_t kYellow = RGB(255, 255, 0);
constexpr int32_t kGrey = RGB(128, 128, 128);

// Every RecordOn transition a user makes, with the entries and lamp that go with it.
TEST(Recording, EveryTransitionOfTheLoggingStateWithItsEntries) {
    struct Step {
        Act act;
        int16_t state;
        const char* caption;
        int32_t lamp;
        bool pauseOffered;
        bool saveOffered;
    };
    const Step plain[] = {{Act::mnuProbeRecord, 1, "Log", kRed, true, false},
                          {Act::tbRecordPause, 2, " Pause", kYellow, true, false},
                          {Act::mnuProbeRecordPause, 1, "Log", kRed, true, false},
                          {Act::tbRecordPause, 2, " Pause", kYellow, true, false},
                          {Act::tbRecord, 0, "Log", kGrey, false, true}};
    LogRig r;
    for (const Step& s : plain) {
        r.core->OnAction(s.act);
        EXPECT_EQ(r.S().RecordOn, s.state) << Name(s.act);
        EXPECT_EQ(r.Text(Ctl::LabRecord), s.caption);
        EXPECT_EQ(r.view.Of(Ctl::ShapeRecordInd).back, s.lamp);
        EXPECT_EQ(r.On(Act::mnuProbeRecordPause), s.pauseOffered);
        EXPECT_EQ(r.On(Act::tbRecordPause), s.pauseOffered);
        EXPECT_EQ(r.view.Checked(Act::mnuProbeRecordPause), s.state == 2);
        EXPECT_EQ(r.view.Checked(Act::tbRecordPause), s.state == 2);
        EXPECT_EQ(r.view.Checked(Act::mnuProbeRecord), s.state != 0);
        EXPECT_EQ(r.core->KD7300cls().PausePeakHold() != 0, s.state == 2);
        EXPECT_EQ(r.core->Probe().PausePeakHold() != 0, s.state == 2);
        for (Act a : {Act::mnuFileSaveAs, Act::tbSave, Act::tbZoomOut, Act::mnuViewExposure,
                      Act::mnuFileOpen}) {
            EXPECT_EQ(r.On(a), s.saveOffered) << Name(s.act) << " " << Name(a);
        }
        EXPECT_FALSE(r.On(Act::tbZoomIn));
        EXPECT_FALSE(r.On(Act::mnuProbeZero)) << "Zero stays off";
    }
    EXPECT_EQ(r.Log().LogColumnMode, 1);

    // With the moving-average box shown: state 3, no pause, the averaging timer running.
    r.Exposure("10 Second");
    r.core->OnClick(Ctl::LabRecord);
    EXPECT_EQ(r.S().RecordOn, 3);
    EXPECT_EQ(r.Log().LogColumnMode, 2);
    EXPECT_FALSE(r.On(Act::mnuProbeRecordPause));
    EXPECT_TRUE(r.core->HRTMinAve().Enabled());
    EXPECT_EQ(r.Text(Ctl::LabMinAver), "Elasped Time");
    r.core->OnAction(Act::mnuViewExposure);
    EXPECT_TRUE(r.view.Checked(Act::mnuViewExposure)) << "the box stays while it logs";
    r.core->OnClick(Ctl::ShapeRecordInd);
    EXPECT_EQ(r.S().RecordOn, 0);
    EXPECT_FALSE(r.core->HRTMinAve().Enabled());
    EXPECT_TRUE(r.view.Visible(Ctl::LabMinAver));
}

TEST(Recording, ReadingsAreRowsAndAPauseKeepsThemAndTheHoldsStill) {
    LogRig r;
    r.core->OnAction(Act::mnuProbeRecord);
    r.sched.SetSecondsSinceMidnight(3600);
    r.Reading(1000);
    r.Reading(2000);
    ASSERT_EQ(r.Log().RecordCnt, 2);
    const auto& row = r.Log().LogData[2];
    EXPECT_FLOAT_EQ(row[0], 3600.0F / 86400.0F);
    EXPECT_NEAR(row[1], 34.641F, 0.01F);
    EXPECT_FLOAT_EQ(row[2], 20.0F);
    EXPECT_FLOAT_EQ(r.Log().LogPeaks[1], 20.0F);
    r.core->OnAction(Act::mnuProbeRecordPause);
    r.Reading(3000);
    EXPECT_EQ(r.Log().RecordCnt, 2);
    EXPECT_FLOAT_EQ(r.core->KD7300cls().MaxHoldX(), 20.0F) << "holds paused";
    r.core->OnAction(Act::mnuProbeRecordPause);
    r.Reading(500);
    EXPECT_EQ(r.Log().RecordCnt, 3);
    // Erasing the count numbers the rows from 1 again (after asking about the unsaved ones).
    r.prompts.answers.push_back(MsgResult::No);
    r.core->OnClick(Ctl::LabRecordCntLab);
    EXPECT_EQ(r.Text(Ctl::LabRecordCnt), "0");
    r.Reading(700);
    EXPECT_EQ(r.Log().RecordCnt, 1);
    EXPECT_FLOAT_EQ(r.Log().LogData[1][2], 7.0F);
    // Zoom Out copies the rows into the graph's store.
    r.core->OnAction(Act::tbRecord);
    r.core->OnAction(Act::tbZoomOut);
    EXPECT_EQ(r.core->GRGraph().DataCnt(), 1);
    EXPECT_FLOAT_EQ(r.core->GRGraph().ReadData(1, 3), 7.0F);
}

TEST(Recording, TheFullLogStopsAsAUserStopDoes) {
    LogRig r;
    r.S().BattTempUpdateInterval = 50;
    r.core->OnAction(Act::mnuProbeRecord);
    EXPECT_FALSE(r.view.Enabled(Act::mnuFileSaveAs));
    r.Log().RecordCnt = kLogMaxRows - 2;
    r.Reading(1000);
    r.Reading(1000);
    EXPECT_EQ(r.Log().RecordCnt, kLogMaxRows);
    EXPECT_FLOAT_EQ(r.Log().LogData[kLogMaxRows][2], 10.0F) << "the last row is kept";
    EXPECT_EQ(r.S().RecordOn, 0);
    EXPECT_TRUE(r.On(Act::mnuFileSaveAs));
    EXPECT_TRUE(r.On(Act::mnuViewExposure));
    EXPECT_FALSE(r.On(Act::mnuProbeRecordPause));
    EXPECT_FALSE(r.view.Checked(Act::mnuProbeRecord));
    EXPECT_TRUE(r.core->Log().Unsaved());
    ASSERT_FALSE(r.prompts.asked.empty());
    EXPECT_NE(r.prompts.asked.back().text.find("512,000"), std::string::npos);
    r.Reading(1000);
    EXPECT_EQ(r.Log().RecordCnt, kLogMaxRows);
}

// Four rows of (total, X, Y, Z) played at 10 a second; row 3 is the spike.
TEST(Recording, PlaybackGoesRowByRowKeepsItsPeaksAndEndsAtTheLastRow) {
    LogRig r;
    const fs::path log = r.folder / "play.csv";
    std::ofstream(log, std::ios::binary) << "Header\r\nUnits,V/m\r\nEndHeader\r\n"
                                            "Time ,Field V/m,X V/m,Y V/m,Z V/m\r\n"
                                            "08:00:00,5,1,2,3\r\n08:00:01,6,2,2,3\r\n"
                                            "08:00:02,90,9,8,7\r\n08:00:03,7,3,3,3\r\n";
    r.prompts.fileName = log;
    r.core->OnAction(Act::mnuFileOpen);
    ASSERT_TRUE(r.On(Act::mnuProbePlay));
    EXPECT_EQ(r.view.caption, "Vireon II    (play.csv)");
    // A live probe, then an empty rate list, refuse.
    r.core->Probe().LostComm(0);
    r.core->OnAction(Act::mnuProbePlay);
    r.core->Probe().LostComm(1);
    r.view.Items(Ctl::CmbSampleRate, {});
    r.core->OnAction(Act::mnuProbePlay);
    ASSERT_EQ(r.prompts.asked.size(), 2u);
    EXPECT_EQ(r.prompts.asked[0].text, Playback::kProbeActive);
    EXPECT_EQ(r.prompts.asked[1].text, Playback::kNoSampleRate);
    EXPECT_FALSE(r.core->HRTPlay().Enabled());

    r.view.Items(Ctl::CmbSampleRate, RateControl::RateList(false));
    r.view.Select(Ctl::CmbSampleRate, "10");
    r.core->Rates().SetTextUpdateTimer(1); // the readouts refresh once a second
    r.core->OnAction(Act::mnuProbePlay);
    EXPECT_EQ(r.core->HRTPlay().Interval(), 100);
    EXPECT_FALSE(r.On(Act::tbRecord));
    r.core->OnClick(Ctl::LabRecord);
    EXPECT_EQ(r.S().RecordOn, 0) << "a click on \"Play\" does nothing";
    r.S().RefreshProbeFlag = 1;
    r.sched.Advance(100);
    EXPECT_EQ(r.Text(Ctl::LabXYZField), "5.000");
    EXPECT_EQ(r.Text(Ctl::LabZField), "3.000");
    // Play again starts over from the first row.
    r.core->OnAction(Act::mnuProbePlay);
    r.S().RefreshProbeFlag = 1;
    r.sched.Advance(100);
    EXPECT_EQ(r.core->Player().PlayRow, 1);
    r.sched.Advance(200); // rows 2 and 3, not shown
    EXPECT_EQ(r.Text(Ctl::LabXYZField), "5.000");
    EXPECT_EQ(r.Text(Ctl::LabRecord), "Play");
    r.S().RefreshProbeFlag = 1;
    r.sched.Advance(100);
    EXPECT_EQ(r.Text(Ctl::LabXYZField), "7.000");
    EXPECT_EQ(r.Text(Ctl::LabMaxXYZ), "90.00") << "the unshown spike still counts";
    EXPECT_EQ(r.Text(Ctl::LabMaxX), "9.000");
    EXPECT_FALSE(r.core->HRTPlay().Enabled());
    EXPECT_EQ(r.Text(Ctl::LabRecord), "Log");
    EXPECT_TRUE(r.core->HRTReadProbe().Enabled());
    EXPECT_TRUE(r.On(Act::tbRecord));
    EXPECT_EQ(r.Log().RecordCnt, 4) << "the opened file is the log in memory";
    EXPECT_EQ(r.Log().LogData[3], (std::array<float, 5>{r.Log().LogData[3][0], 90, 9, 8, 7}));
}

// A constant 10 V/m on each axis: the total is 17.32 V/m.
TEST(MovingAverage, ATenSecondWindowFillsBeepsAndFallsOverOneWindow) {
    LogRig r;
    r.Reading(1000);
    const float f = r.core->KD7300cls().XYZ();
    r.Exposure("10 Second");
    r.core->OnAction(Act::mnuProbeRecord);
    MovingAverage& ma = r.core->Exposure();
    std::vector<int> beepTicks;
    for (int tick = 1; tick <= 30; ++tick) {
        const int before = r.desktop.beeps;
        r.sched.Advance(1000);
        if (r.desktop.beeps != before) {
            beepTicks.push_back(tick);
        }
        if (tick == 1) {
            EXPECT_FLOAT_EQ(ma.Average, f / 10);
        }
        if (tick >= 10) {
            EXPECT_NEAR(ma.Average, f, 1e-4) << tick;
        }
    }
    EXPECT_EQ(beepTicks, (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(r.Text(Ctl::LabElasedTime), "0.00.30");
    EXPECT_EQ(r.Text(Ctl::LabExposure), "17.32");
    EXPECT_EQ(r.Log().RecordCnt, 30);
    EXPECT_NEAR(r.Log().LogData[30][2], f, 1e-4);
    // The blink runs once a window is full.
    const bool shown = r.view.Visible(Ctl::LabMinAver);
    r.sched.Advance(500);
    EXPECT_NE(r.view.Visible(Ctl::LabMinAver), shown);
    r.Reading(1); // a hundredth of a volt per metre on each axis: next to nothing
    const float low = r.core->KD7300cls().XYZ();
    for (int tick = 1; tick <= 10; ++tick) {
        r.sched.Advance(1000);
        EXPECT_NEAR(ma.Average, (f * (10 - tick) + low * tick) / 10, 1e-4) << tick;
    }
    // Ticks while replies are missing are not samples.
    r.S().TimeOut = 2;
    r.sched.Advance(3000);
    EXPECT_EQ(r.Log().RecordCnt, 40);
    EXPECT_EQ(r.Text(Ctl::LabElasedTime), "0.00.40");
}

TEST(MovingAverage, PeriodicLoggingPausesUntilThePeriodEndsThenStartsAgain) {
    LogRig r;
    r.Reading(1000);
    r.S().PeriodicIntervalEnabled = 1;
    r.S().PeriodicInterval = 3;
    r.Exposure("1 Minute");
    r.core->OnAction(Act::mnuProbeRecord);
    r.sched.Advance(60000);
    EXPECT_EQ(r.Log().RecordCnt, 60);
    EXPECT_EQ(r.S().RecordOn, 4);
    EXPECT_EQ(r.Text(Ctl::LabRecord), " Pause");
    r.sched.Advance(120000); // 180 s after the window began
    EXPECT_EQ(r.S().RecordOn, 4);
    r.sched.Advance(1000);
    EXPECT_EQ(r.S().RecordOn, 3);
    EXPECT_EQ(r.Text(Ctl::LabRecord), "Log");
    EXPECT_EQ(r.Log().RecordCnt, 60);
    r.sched.Advance(60000);
    EXPECT_EQ(r.Log().RecordCnt, 120);
    EXPECT_EQ(r.S().RecordOn, 4);
}

// Ticks that fall behind the clock across midnight shorten the period; a wrong wrap would
// take them for ahead and lengthen it.
TEST(MovingAverage, TheTickTrimWorksAcrossMidnight) {
    LogRig r;
    r.Reading(1000);
    r.Exposure("10 Second");
    r.sched.SetSecondsSinceMidnight(86399.0);
    r.core->OnAction(Act::mnuProbeRecord);
    r.sched.Advance(1000);
    EXPECT_EQ(r.core->HRTMinAve().Interval(), 1000) << "in step at midnight";
    r.sched.SetSecondsSinceMidnight(r.sched.SecondsSinceMidnight() + 0.5);
    r.sched.Advance(1000);
    EXPECT_EQ(r.core->HRTMinAve().Interval(), 980);
    EXPECT_EQ(r.core->Exposure().TickTrim, 1);
    r.sched.SetSecondsSinceMidnight(r.sched.SecondsSinceMidnight() - 1.0);
    r.sched.Advance(980);
    EXPECT_EQ(r.core->HRTMinAve().Interval(), 1000) << "back to nominal from short";
}

TEST(MovingAverage, WindowsDisplayFormatsAndABadWindow) {
    const std::pair<float, const char*> formats[] = {
        {0.5F, "0.5000"}, {5.0F, "5.000"}, {50.0F, "50.00"}, {500.0F, "500.0"}};
    for (const auto& [v, text] : formats) {
        EXPECT_EQ(MovingAverage::ExposureText(v), text);
    }
    LogRig r;
    // A screen reader calls the caption by the window picked in the options.
    EXPECT_EQ(r.view.Of(Ctl::LabMinAver).readerName, "6 Minute");
    OptionsForm f = r.core->Option().Load();
    f.MinAverText = "10 Second";
    r.core->Option().Apply(f);
    EXPECT_EQ(r.view.Of(Ctl::LabMinAver).readerName, "10 Second");
    r.Exposure("30 Minute");
    EXPECT_EQ(r.core->Exposure().MinAverDuration, 1800);
    r.S().MinAverText = "7 Minute";
    r.core->Exposure().SetMinuteAverTime();
    EXPECT_EQ(r.core->Exposure().MinAverDuration, 1800);
    EXPECT_EQ(r.prompts.asked.back().text, MovingAverage::kBadAverTime);
    EXPECT_EQ(r.view.Of(Ctl::LabMinAver).readerName, "30 Minute");
    EXPECT_TRUE(r.view.Visible(Ctl::LabExposure));
    r.core->OnAction(Act::mnuViewExposure);
    EXPECT_FALSE(r.view.Visible(Ctl::LabExposure));
}

// Each way of dropping unsaved readings asks; Cancel keeps them, Discard drops them, Save
// writes them first. A saved or empty log asks nothing.
TEST(Recording, UnsavedReadingsAreAskedAboutBeforeTheyGo) {
    struct Case {
        const char* what;
        std::function<bool(LogRig&)> act; // true when the action went ahead
    };
    const Case cases[] = {
        {"new log",
         [](LogRig& r) {
             r.core->OnAction(Act::mnuProbeRecord);
             return r.S().RecordOn == 1;
         }},
        {"open",
         [](LogRig& r) {
             r.prompts.openName = r.folder / "other.csv";
             std::ofstream(*r.prompts.openName, std::ios::binary)
                 << "Header\r\nEndHeader\r\nTime ,Field V/m\r\n08:00:00,1\r\n";
             r.core->OnAction(Act::mnuFileOpen);
             return r.core->GRGraph().DataCnt() == 1;
         }},
        {"exit", [](LogRig& r) { return r.core->QueryUnload(); }},
        {"erase",
         [](LogRig& r) {
             r.core->OnClick(Ctl::LabRecordCnt);
             return r.Log().RecordCnt == 0;
         }},
    };
    for (const Case& c : cases) {
        for (MsgResult answer : {MsgResult::Cancel, MsgResult::No, MsgResult::Yes}) {
            LogRig r;
            r.core->OnAction(Act::mnuProbeRecord);
            r.Reading(1000);
            r.Reading(1000);
            r.core->OnAction(Act::mnuProbeRecord);
            const fs::path saveTo = r.folder / "kept.csv";
            r.prompts.fileName = saveTo;
            r.prompts.answers.push_back(answer);
            const bool wentAhead = c.act(r);
            ASSERT_FALSE(r.prompts.asked.empty()) << c.what;
            EXPECT_EQ(r.prompts.asked[0].text, "The log holds 2 readings that have not been "
                                               "saved. Save them now?")
                << c.what;
            EXPECT_EQ(r.prompts.asked[0].buttons, MsgButtons::SaveDiscardCancel);
            EXPECT_EQ(wentAhead, answer != MsgResult::Cancel) << c.what;
            EXPECT_EQ(fs::exists(saveTo), answer == MsgResult::Yes) << c.what;
            // Asked once: what was saved or discarded is not asked about again.
            const size_t asked = r.prompts.asked.size();
            if (wentAhead) {
                EXPECT_TRUE(r.core->QueryUnload());
                EXPECT_EQ(r.prompts.asked.size(), asked) << c.what;
            }
        }
    }
    LogRig empty;
    EXPECT_TRUE(empty.core->QueryUnload());
    EXPECT_TRUE(empty.prompts.asked.empty());
}

TEST(Recording, SaveAsAsksTheTestConditionsAndWritesThemIntoTheHeader) {
    LogRig pre("Operator name?,Operator,J\r\nSite?,Site\r\nWeather?,Weather,dry\r\n");
    const fs::path prompts = pre.folder / "testquery.txt";
    pre.core->OnAction(Act::mnuProbeRecord);
    for (int16_t c : {1000, 1100, 1200}) {
        pre.Reading(c);
    }
    pre.core->OnAction(Act::mnuProbeRecord);
    // Cancel in a test-condition box writes nothing and keeps the answers.
    pre.prompts.inputs = {std::string("K. Smith"), std::nullopt};
    pre.prompts.fileName = pre.folder / "survey";
    EXPECT_FALSE(pre.core->Log().MnuFileSaveAs());
    EXPECT_FALSE(fs::exists(pre.folder / "survey.csv"));
    pre.prompts.inputs = {std::string("K. Smith"), std::string("Roof"), std::string("")};
    pre.core->OnAction(Act::mnuFileSaveAs);
    EXPECT_EQ(pre.prompts.inputPrompts.size(), 5u);
    const std::string s = testing::ReadFile(pre.folder / "survey.csv");
    EXPECT_NE(s.find("\r\nOperator,K. Smith\r\nSite,Roof\r\nUnits,V/m\r\n"), std::string::npos)
        << s;
    EXPECT_EQ(s.find("Weather"), std::string::npos) << "an empty answer is left out";
    EXPECT_NE(s.find("Samples,3\r\n"), std::string::npos);
    EXPECT_EQ(pre.view.status, "Saved 3 data points.");
    EXPECT_FALSE(pre.core->Log().Unsaved());
    EXPECT_EQ(pre.S().DefaultSavePath, pre.folder);
    // A save that fails says why and keeps the readings; the answers reach the prompts file.
    pre.core->Log().Log().RecordCnt = 3;
    pre.prompts.fileName = pre.folder / "no-such-folder" / "x.csv";
    pre.prompts.inputs.clear();
    pre.core->OnAction(Act::tbSave);
    EXPECT_NE(pre.prompts.asked.back().text.find("not saved"), std::string::npos);
    pre.core->Unload(false);
    const HeaderNoteTable notes = LoadNoteQuery(prompts);
    EXPECT_EQ(notes.Entry[1].Value, "K. Smith");
    EXPECT_EQ(notes.Entry[3].Value, "");
}

// Nothing is replaced or removed unasked: "survey" from a dialog that added no suffix is
// survey.csv, asked about with the stale page it removes; the file the dialog asked about is
// not asked about again.
TEST(Recording, SaveAsAsksAboutEveryFileItReplacesOrRemoves) {
    LogRig r;
    r.Log().RecordCnt = 1;
    testing::WriteFile(r.folder / "survey.csv", "old");
    testing::WriteFile(r.folder / "survey_2.csv", LogPageText(r.Log(), 2, 2, "", {}));
    r.prompts.fileName = r.folder / "survey";
    r.prompts.answers = {MsgResult::No, MsgResult::Yes};
    EXPECT_FALSE(r.core->Log().MnuFileSaveAs());
    EXPECT_EQ(testing::ReadFile(r.folder / "survey.csv"), "old");
    EXPECT_TRUE(r.core->Log().MnuFileSaveAs());
    EXPECT_FALSE(fs::exists(r.folder / "survey_2.csv"));
    r.prompts.fileName = r.folder / "survey.csv";
    EXPECT_TRUE(r.core->Log().MnuFileSaveAs());
    ASSERT_EQ(r.prompts.asked.size(), 2u);
    EXPECT_EQ(r.prompts.asked[0].text,
              "Saving the log as \"survey.csv\" in " + r.folder.string() +
                  "\n\nreplaces\n    survey.csv\n\nremoves the later pages of an earlier, "
                  "longer log of that name:\n    survey_2.csv\n\nGo ahead?");
}

// A journal whose header cannot be read is kept aside, never over an older one, and said.
TEST(Recording, AnUnreadableJournalIsKeptAsideAndSaid) {
    LogRig r;
    const std::string journal = (r.folder / "recovery.journal").string();
    for (const char* garbage : {"not a journal", "Vireon II recovery journal\nColumns,9\n"}) {
        r.core.reset();
        testing::WriteFile(journal, garbage);
        r.core = std::make_unique<WindowCore>(r.Platform(), r.view);
        r.core->Load();
    }
    EXPECT_EQ(testing::ReadFile(journal + ".bad"), "not a journal");
    EXPECT_EQ(testing::ReadFile(journal + ".2.bad"), "Vireon II recovery journal\nColumns,9\n");
    EXPECT_EQ(r.prompts.asked.back().text, "The recovery journal " + journal +
                                               " could not be read. It was kept as " + journal +
                                               ".2.bad.");
}

// The journal left by a killed program: offered at the next start, taken back whole, gone
// once saved; declined, it goes at once; left unanswered, it stays; a closed program that
// saved leaves none.
TEST(Recording, AJournalLeftByACrashIsOfferedAtTheNextStart) {
    for (MsgResult answer : {MsgResult::Yes, MsgResult::No, MsgResult::Cancel}) {
        LogRig r;
        r.sched.SetSecondsSinceMidnight(14 * 3600 + 2 * 60 + 11);
        r.core->OnAction(Act::mnuProbeRecord);
        for (int i = 1; i <= 5; ++i) {
            r.Reading(static_cast<int16_t>(100 * i));
        }
        const fs::path journal = r.core->Log().JournalPath();
        ASSERT_TRUE(fs::exists(journal));
        const std::vector<std::array<float, 5>> rows(r.Log().LogData.begin() + 1,
                                                     r.Log().LogData.begin() + 6);
        r.core.reset(); // killed: no shutdown ran
        const std::string kept = testing::ReadFile(journal);
        r.core = std::make_unique<WindowCore>(r.Platform(), r.view);
        r.prompts.answers.push_back(answer);
        r.core->Load();
        ASSERT_FALSE(r.prompts.asked.empty());
        EXPECT_NE(r.prompts.asked[0].text.find("Recover the 5 readings logged on "),
                  std::string::npos);
        EXPECT_NE(r.prompts.asked[0].text.find(" from 14:02:11 that were not saved?"),
                  std::string::npos);
        if (answer == MsgResult::No) {
            EXPECT_FALSE(fs::exists(journal));
            EXPECT_EQ(r.Log().RecordCnt, 0);
            continue;
        }
        if (answer == MsgResult::Cancel) { // ended while asking: kept whole, offered again
            r.core->Unload(false);
            EXPECT_EQ(testing::ReadFile(journal), kept);
            r.core = std::make_unique<WindowCore>(r.Platform(), r.view);
            r.prompts.answers.push_back(MsgResult::Yes);
            r.core->Load();
        }
        ASSERT_EQ(r.Log().RecordCnt, 5);
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(r.Log().LogData[i + 1], rows[i]) << i;
        }
        EXPECT_FLOAT_EQ(r.Log().LogPeaks[1], 5.0F);
        EXPECT_TRUE(r.On(Act::mnuFileSaveAs));
        EXPECT_EQ(r.Text(Ctl::LabRecordCnt), "5");
        r.core->Unload(false); // a signal: the journal stays for the next start
        EXPECT_TRUE(fs::exists(journal));
        r.core = std::make_unique<WindowCore>(r.Platform(), r.view);
        r.prompts.answers.push_back(MsgResult::Yes);
        r.core->Load();
        r.prompts.fileName = r.folder / "recovered.csv";
        r.core->OnAction(Act::mnuFileSaveAs);
        EXPECT_FALSE(fs::exists(journal));
        EXPECT_NE(testing::ReadFile(r.folder / "recovered.csv").find("Samples,5\r\n"),
                  std::string::npos);
    }
}

// A journal that cannot be written does not stop the log, but is said once.
TEST(Recording, AJournalThatCannotBeWrittenIsSaidOnce) {
    LogRig r;
    fs::create_directories(r.folder / "recovery.journal" / "in-the-way");
    r.core->OnAction(Act::mnuProbeRecord);
    r.Reading(1000);
    r.sched.Advance(2000);
    EXPECT_EQ(r.Log().RecordCnt, 1);
    ASSERT_EQ(r.prompts.asked.size(), 1u);
    EXPECT_NE(r.prompts.asked[0].text.find("a crash would lose the log"), std::string::npos);
}

TEST(Recording, HeaderNotesListAndThePromptsEditor) {
    LogRig r;
    EXPECT_FALSE(r.view.Visible(Ctl::LstHeader));
    r.core->OnAction(Act::mnuViewHeaderNotes);
    EXPECT_TRUE(r.view.Visible(Ctl::LstHeader));
    EXPECT_TRUE(r.view.Checked(Act::mnuViewHeaderNotes));
    r.core->OnAction(Act::mnuViewHeaderNotes);
    EXPECT_FALSE(r.view.Visible(Ctl::LstHeader));
    r.core->EditPrompts();
    ASSERT_EQ(r.desktop.edited.size(), 1u);
    EXPECT_EQ(r.desktop.edited[0], r.folder / "testquery.txt");
    EXPECT_TRUE(fs::exists(r.folder / "testquery.txt")) << "made for the editor to open";
}

// The four-range and E/H families log from the probe object in their column mode.
TEST(Recording, OtherFamiliesLogInTheirColumnMode) {
    for (uint8_t family : {2, 3}) {
        CoreRig r;
        r.core->Load();
        r.core->Probe().TypeNumb(family);
        r.core->OnAction(Act::mnuProbeRecord);
        r.core->LogProbeReading();
        EXPECT_EQ(r.core->Log().Log().RecordCnt, 1);
        EXPECT_EQ(r.core->Log().Log().LogColumnMode,
                  family == 2 ? r.core->Probe().MultiplexOn() : 0);
    }
}

} // namespace
} // namespace vireon::test
