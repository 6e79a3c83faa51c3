// The survey report's view of a log: every page of a set read as one log, and the figures over
// it (lowest, highest, mean, time of the highest, time above the alarm, the averaging window),
// also across midnight.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "files/LogStatistics.h"
#include "files/SurveyLog.h"
#include "support/TempDir.h"

namespace vireon {
namespace {

using testing::TempDir;

float At(int64_t seconds) {
    return static_cast<float>(static_cast<double>(seconds % kSecondsPerDay) / kSecondsPerDay);
}

TEST(LogStatistics, EachColumnWithTheTimeOfItsHighestAndTheTimeAboveTheAlarm) {
    const int64_t t0 = 14 * 3600;
    // Two samples a second; the total is above 10 in one of second 1's samples and both of 2's.
    const std::vector<std::array<float, 5>> rows = {
        {At(t0), 4, 1, -2, 3},       {At(t0), 6, 2, 5, 3},      {At(t0 + 1), 8, 9, 1, 3},
        {At(t0 + 1), 12, 3, 1, 3},   {At(t0 + 2), 11, 3, 7, 3}, {At(t0 + 2), 12, 9, 1, 3},
        {At(t0 + 3), 10, 0, NAN, 3}, {At(t0 + 4), 2, 1, 1, 3}};
    const LogStatistics st = ComputeLogStatistics(rows, 1, 10.0F);
    EXPECT_EQ(st.Samples, 8);
    EXPECT_EQ(st.Start, t0);
    EXPECT_EQ(st.Duration(), 4);
    EXPECT_DOUBLE_EQ(*st.SampleRate, 7.0 / 4.0);
    ASSERT_EQ(st.Columns.size(), 4U);
    const ColumnStatistics& total = st.Columns[0];
    EXPECT_EQ(total.Min, 2.0F);
    EXPECT_EQ(total.Max, 12.0F);
    EXPECT_EQ(total.MaxAt, t0 + 1) << "the first sample at the highest value";
    EXPECT_DOUBLE_EQ(total.Mean, 65.0 / 8);
    EXPECT_EQ(st.Columns[1].MaxAt, t0 + 1);
    EXPECT_EQ(st.Columns[2].Min, -2.0F);
    EXPECT_EQ(st.Columns[2].Count, 7) << "a value that is no number counts nowhere";
    EXPECT_DOUBLE_EQ(st.Columns[2].Mean, 2.0);
    EXPECT_DOUBLE_EQ(*st.SecondsAbove, 1.5) << "equal to the level is not above it";
    EXPECT_FALSE(st.AverageWindow) << "not a moving-average log";
    EXPECT_FALSE(ComputeLogStatistics(rows, 1).SecondsAbove);

    const LogStatistics one = ComputeLogStatistics(std::span(rows).first(1), 0);
    EXPECT_EQ(one.Duration(), 0);
    EXPECT_FALSE(one.SampleRate) << "no rate from one second";
    EXPECT_EQ(one.Columns.size(), 1U);
}

TEST(LogStatistics, ALogAcrossMidnightEndsTheNextDay) {
    std::vector<std::array<float, 5>> rows;
    for (int64_t s = kSecondsPerDay - 3; s <= kSecondsPerDay + 4; ++s) {
        rows.push_back({At(s), static_cast<float>(s == kSecondsPerDay + 2 ? 50 : 1), 0, 0, 0});
    }
    rows.back()[0] = At(kSecondsPerDay + 3); // a clock stepped back a second is not a day
    const LogStatistics st = ComputeLogStatistics(rows, 0, 5.0F);
    EXPECT_EQ(st.Start, kSecondsPerDay - 3);
    EXPECT_EQ(st.End, kSecondsPerDay + 3);
    EXPECT_EQ(st.Columns[0].MaxAt, kSecondsPerDay + 2);
    EXPECT_DOUBLE_EQ(*st.SecondsAbove, 1.0);
}

TEST(LogStatistics, TheAveragingWindowComesFromTheFirstAverages) {
    // As the moving-average tick makes them: the sum so far over a 30-second window.
    std::vector<std::array<float, 5>> rows;
    float sum = 0;
    for (int k = 0; k < 40; ++k) {
        const float total = k < 2 ? 0.0F : 7.5F + static_cast<float>(k % 3);
        sum += total;
        rows.push_back({At(100 + k), total, sum / 30.0F, 0, 0});
    }
    EXPECT_EQ(ComputeLogStatistics(rows, 2).AverageWindow, 30);
    // A log whose count was erased while it ran starts in the middle of a window.
    EXPECT_FALSE(ComputeLogStatistics(std::span(rows).subspan(5), 2).AverageWindow);
}

TEST(SurveyLog, EveryPageOfASetIsReadWhicheverPageIsNamed) {
    TempDir dir;
    auto log = std::make_unique<LogModel>();
    log->LogColumnMode = 1;
    log->LogUnits = "V/m";
    log->GraphScale = "0-35";
    log->HeaderNotes.Count = 3;
    log->HeaderNotes.Entry[1] = {"Site?", "Units of site", "Roof, north"};
    log->HeaderNotes.Entry[2] = {"Empty?", "Empty", ""};
    log->HeaderNotes.Entry[3] = {"Operator?", "Operator", "J"};
    log->RecordCnt = 2 * kPageRows + 5;
    for (int32_t r = 1; r <= log->RecordCnt; ++r) {
        const float v = static_cast<float>(r % 1000) / 8;
        log->LogData[static_cast<size_t>(r)] = {At(3600 + r / 10), v, v / 2, v / 4, v / 8};
    }
    log->LogData[40000][3] = 999;
    const std::filesystem::path first = dir.Path() / "survey.csv";
    ASSERT_TRUE(SaveData(*log, first, {"06/12/2026", "14:05:09", "KD-7310"}).Ok);

    const SurveyLogRead read = ReadSurveyLog(dir.Path() / "survey_2.csv");
    ASSERT_TRUE(read.Ok) << read.Error;
    EXPECT_EQ(read.FirstPage, first);
    const SurveyLog& s = read.Log;
    EXPECT_EQ(s.Pages, 3);
    EXPECT_EQ(s.DeclaredSamples, log->RecordCnt);
    EXPECT_EQ(s.Rows.size(), static_cast<size_t>(log->RecordCnt));
    EXPECT_EQ(s.ProbeModel, "KD-7310");
    EXPECT_EQ(s.SavedTime, "14:05:09");
    using Note = std::pair<std::string, std::string>;
    EXPECT_EQ(s.Notes, (std::vector<Note>{{"Units of site", "Roof, north"}, {"Operator", "J"}}));
    EXPECT_EQ(s.Rows[39999], SurveyLogOf(*log, "", "").Rows[39999]) << "page 2, in its place";

    // A page that is gone, or one of another log, fails the read and is named.
    log->RecordCnt = kPageRows + 1;
    SaveData(*log, dir.Path() / "other.csv", {});
    std::filesystem::rename(dir.Path() / "other_2.csv", dir.Path() / "survey_3.csv");
    EXPECT_NE(ReadSurveyLog(first).Error.find("Page 3 of 3"), std::string::npos);
    std::filesystem::remove(dir.Path() / "survey_3.csv");
    const SurveyLogRead missing = ReadSurveyLog(first);
    EXPECT_FALSE(missing.Ok);
    EXPECT_NE(missing.Error.find("survey_3.csv"), std::string::npos) << missing.Error;
    std::filesystem::copy(dir.Path() / "survey_2.csv", dir.Path() / "renamed.csv");
    EXPECT_NE(ReadSurveyLog(dir.Path() / "renamed.csv").Error.find("does not end in _2"),
              std::string::npos);
}

} // namespace
} // namespace vireon
