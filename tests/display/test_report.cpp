// The survey report without Qt: File > Report... in the window core on fakes (when it is
// offered, the name it offers, what it hands the printer, a failed write), the figures the
// report words that the log does not hold, and `vireon2 --report` on good and bad files.

#include "core_rig.h"
#include "display/core/SurveyReport.h"

#include <gtest/gtest.h>

#include <algorithm>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace vireon::test {
namespace {

namespace fs = std::filesystem;

const ReportSection& Section(const SurveyReport& r, const std::string& title) {
    static const ReportSection kNone;
    const auto s = std::find_if(r.Sections.begin(), r.Sections.end(),
                                [&](const ReportSection& x) { return x.Title == title; });
    return s == r.Sections.end() ? kNone : *s;
}

// The value of a field of a section, or "" when there is none.
std::string Field(const SurveyReport& r, const std::string& section, const std::string& label) {
    for (const ReportField& f : Section(r, section).Fields) {
        if (f.Label == label) {
            return f.Value;
        }
    }
    return "";
}

TEST(Report, OfferedWithSaveAsAndWrittenFromTheLogInMemory) {
    LogRig r("Site?,Site,Roof\r\n");
    EXPECT_FALSE(r.On(Act::mnuFileReport));
    r.core->OnAction(Act::mnuProbeRecord);
    EXPECT_FALSE(r.On(Act::mnuFileReport)) << "not while logging";
    for (int i = 0; i < 3; ++i) {
        r.sched.SetSecondsSinceMidnight(3600 + i);
        r.Reading(static_cast<int16_t>(i == 1 ? 3000 : 1000));
    }
    r.core->OnAction(Act::mnuProbeRecord);
    EXPECT_TRUE(r.On(Act::mnuFileReport));

    r.S().AlarmEnable = 1;
    r.S().AlarmValue = 20;
    r.prompts.fileName = r.folder / "first.pdf"; // the dialog gives the suffix
    r.core->OnAction(Act::mnuFileReport);
    EXPECT_EQ(r.prompts.saveOffered.back(), r.S().DefaultSavePath) << "a log never saved";
    EXPECT_EQ(testing::ReadFile(r.folder / "first.pdf"), "%PDF-fake");
    EXPECT_EQ(r.view.status, "Report written to " + (r.folder / "first.pdf").string() + ".");
    ASSERT_EQ(r.printer.printed.size(), 1U);
    const SurveyReport& rep = r.printer.printed[0];
    EXPECT_EQ(Field(rep, "", "Log file"), "Not saved");
    EXPECT_EQ(Field(rep, "Test conditions", "Site"), "Roof");
    EXPECT_EQ(Field(rep, "Probe", "Serial number"), r.S().ProbeSerialNo);
    EXPECT_EQ(Field(rep, "Probe", "Calibration date"), r.S().ProbeCalDate);
    EXPECT_EQ(Field(rep, "Record", "Duration"), "0:00:02");
    const auto& table = Section(rep, "Statistics (V/m)").Table;
    ASSERT_EQ(table.size(), 5U);
    EXPECT_EQ(table[1], (std::vector<std::string>{"Total", "17.32", "51.96", "28.87", "01:00:01"}));
    EXPECT_EQ(Field(rep, "Alarm", "Time above the level"), "0:00:01 (33.3 % of the record)");

    // Saved, the log's name is offered; a report that cannot be drawn is said and leaves the
    // old file; Cancel writes nothing.
    r.prompts.fileName = r.folder / "survey.csv";
    r.prompts.inputs = {std::string("Roof")};
    r.core->OnAction(Act::mnuFileSaveAs);
    r.printer.failure = "no fonts";
    r.prompts.fileName = r.folder / "first.pdf";
    r.core->OnAction(Act::mnuFileReport);
    EXPECT_EQ(r.prompts.saveOffered.back(), r.folder / "survey.pdf");
    EXPECT_NE(r.prompts.asked.back().text.find("The report was not written. "), std::string::npos);
    EXPECT_NE(r.prompts.asked.back().text.find("no fonts"), std::string::npos);
    EXPECT_EQ(testing::ReadFile(r.folder / "first.pdf"), "%PDF-fake");
    r.prompts.fileName.reset();
    r.core->OnAction(Act::mnuFileReport);
    EXPECT_EQ(r.printer.printed.size(), 2U);
}

TEST(Report, AnOpenedLogIsReportedFromEveryPageOfItsFile) {
    LogRig r;
    auto log = std::make_unique<LogModel>();
    log->LogColumnMode = 0;
    log->LogUnits = "V/m";
    log->RecordCnt = kPageRows + 10;
    for (int32_t i = 1; i <= log->RecordCnt; ++i) {
        log->LogData[static_cast<size_t>(i)] = {0.5F, i == 5 ? 99.0F : 1.0F, 0, 0, 0};
    }
    ASSERT_TRUE(SaveData(*log, r.folder / "big.csv", {"d", "t", "KD-7310"}).Ok);
    r.prompts.openName = r.folder / "big_2.csv";
    r.core->OnAction(Act::mnuFileOpen);
    EXPECT_TRUE(r.On(Act::mnuFileReport)) << "though Open does not offer Save as";
    r.prompts.fileName = r.folder / "big.pdf";
    r.core->OnAction(Act::mnuFileReport);
    EXPECT_EQ(r.prompts.saveOffered.back(), r.folder / "big.pdf");
    ASSERT_EQ(r.printer.printed.size(), 1U);
    const SurveyReport& rep = r.printer.printed[0];
    EXPECT_EQ(Field(rep, "Record", "Samples"), "32,010");
    EXPECT_EQ(Field(rep, "", "Log file"), (r.folder / "big.csv").string() + " (2 pages)");
    EXPECT_EQ(Field(rep, "Probe", "Serial number"), "") << "not in the file";
    EXPECT_EQ(Section(rep, "Statistics (V/m)").Table[1][2], "99.00");

    fs::remove(r.folder / "big.csv");
    r.core->OnAction(Act::mnuFileReport);
    EXPECT_EQ(r.printer.printed.size(), 1U);
    EXPECT_NE(r.prompts.asked.back().text.find("No report was made. Page 1 of 2"),
              std::string::npos)
        << r.prompts.asked.back().text;
}

TEST(Report, FiguresTheLogDoesNotHoldSayWhereTheyComeFrom) {
    SurveyLog log;
    log.LogColumnMode = 2;
    log.LogUnits = "V/m";
    log.GraphScale = "Auto";
    float sum = 0;
    for (int i = 0; i < 20000; ++i) {
        const float total = i == 12345 ? 80.0F : 4.0F;
        sum += total;
        log.Rows.push_back(
            {static_cast<float>(i / 10) / 86400.0F, total, i < 10 ? sum / 10.0F : 4.0F, 0, 0});
    }
    ReportContext ctx;
    ctx.AlarmEnabled = true;
    ctx.AlarmLevel = 5;
    ctx.AlarmUnits = "V/m";
    ctx.AverageWindowSetting = "6 Minute";
    ctx.SettingsSource = "from the configuration file";
    SurveyReport rep = BuildSurveyReport(log, ctx);
    EXPECT_EQ(Field(rep, "Moving average", "Window"),
              "10 Second (shown by the first averages of the log)");
    EXPECT_EQ(Field(rep, "Moving average", "Highest"), "4.000 V/m at 00:00:00");
    EXPECT_EQ(Field(rep, "Alarm", "Level"),
              "5 V/m (from the configuration file; the log does not record it)");
    EXPECT_EQ(Field(rep, "Alarm", "Time above the level"), "0:00:00 (0.0 % of the record)");
    const ReportGraphs& g = rep.Graphs;
    EXPECT_LE(g.Rows.size(), kReportGraphRows);
    EXPECT_EQ(g.SamplesPerRun, 5);
    EXPECT_TRUE(std::any_of(g.Rows.begin(), g.Rows.end(), [](const auto& row) {
        return row[1] == 80.0F;
    })) << "the peak survives the thinning";
    EXPECT_EQ(g.Scale, "0-100");
    EXPECT_EQ(g.ScaleNote, "chosen to hold the highest reading; the log names \"Auto\"");
    EXPECT_EQ(g.TraceNames, (std::vector<std::string>{"Total", "Moving average"}));

    // A log whose first averages do not show a window, and a level in other units.
    log.Rows.erase(log.Rows.begin(), log.Rows.begin() + 3);
    ctx.AlarmUnits = "mW/cm\xb2";
    rep = BuildSurveyReport(log, ctx);
    EXPECT_EQ(Field(rep, "Moving average", "Window"),
              "6 Minute (from the configuration file; the log does not record it)");
    EXPECT_EQ(Field(rep, "Alarm", "Time above the level"),
              "Not given: the level is in mW/cm\xb2, the log in V/m");
    EXPECT_FALSE(rep.Graphs.AlarmLevel);
}

TEST(ReportFromFile, ASavedLogOrAClearRefusal) {
    testing::TempDir dir;
    auto log = std::make_unique<LogModel>();
    log->LogUnits = "V/m";
    log->RecordCnt = 2;
    log->LogData[1] = {0.5F, 3.0F, 0, 0, 0};
    log->LogData[2] = {0.5F, 30.0F, 0, 0, 0};
    const fs::path saved = dir.Path() / "site 4.csv";
    ASSERT_TRUE(SaveData(*log, saved, {}).Ok);
    CfgSettings cfg;
    cfg.AlarmEnable = 1;
    cfg.AlarmValue = 12.5F;
    ASSERT_TRUE(SaveCfg(dir.Path() / "VireonII.cfg", cfg).Ok);
    FakePrinter printer;

    ReportRun run = ReportFromFile(saved, std::nullopt, dir.Path(), printer);
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Written, dir.Path() / "site 4.pdf");
    EXPECT_EQ(testing::ReadFile(run.Written), "%PDF-fake");
    EXPECT_EQ(Field(printer.printed.at(0), "Alarm", "Level"),
              "12.5 V/m (from the configuration file; the log does not record it)");

    const fs::path notALog = dir.Path() / "notes.txt";
    testing::WriteFile(notALog, "hello\r\n");
    std::vector<std::pair<fs::path, std::string>> bad = {
        {dir.Path() / "gone.csv", "gone.csv"}, {notALog, "is not a log that can be read"}};
#ifndef _WIN32
    ASSERT_EQ(mkfifo((dir.Path() / "pipe.csv").c_str(), 0600), 0);
    bad.emplace_back(dir.Path() / "pipe.csv", "named pipe");
#endif
    for (const auto& [path, says] : bad) {
        run = ReportFromFile(path, std::nullopt, dir.Path(), printer);
        EXPECT_EQ(run.ExitCode, 1) << path;
        ASSERT_EQ(run.Messages.size(), 1U);
        EXPECT_NE(run.Messages[0].find(says), std::string::npos) << run.Messages[0];
    }
    run = ReportFromFile(saved, dir.Path() / "no folder" / "x.pdf", dir.Path(), printer);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Messages.back().find("x.pdf"), std::string::npos);
}

} // namespace
} // namespace vireon::test
