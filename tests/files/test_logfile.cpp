// Writing log files: header, titles and rows byte for byte, page splitting and page names.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <tuple>

#include "files/LogFile.h"
#include "support/TempDir.h"

namespace vireon {
namespace {

using testing::ReadFile;
using testing::TempDir;

float DayFraction(int h, int m, double s) {
    return static_cast<float>((h * 3600 + m * 60 + s) / 86400.0);
}

std::unique_ptr<LogModel> SmallLog(int16_t mode) {
    auto log = std::make_unique<LogModel>();
    log->LogColumnMode = mode;
    log->LogUnits = "V/m";
    log->GraphScale = "0-35";
    log->LogPeaks = {12.5f, 7.25f, 1.5e-5f, 0.0f};
    log->HeaderNotes.Count = 3;
    log->HeaderNotes.Entry[1] = {"Operator name?", "Operator", "J"};
    log->HeaderNotes.Entry[2] = {"Site?", "Site", ""};
    log->HeaderNotes.Entry[3] = {"Antenna?", "Antenna", "Horn, 2 m"};
    log->RecordCnt = 2;
    log->LogData[1] = {DayFraction(14, 3, 27), 12.5f, 7.25f, 3.1f, 0.5f};
    log->LogData[2] = {DayFraction(14, 3, 28), 12345678.0f, 0.0001f, 1.5e-5f, -2.0f};
    return log;
}

const SaveStamp kStamp{"06/12/2026", "14:05:00", "FP-7400"};

std::string HeaderStart(const std::string& samples, const std::string& columns) {
    return "Header\r\nFile,log.csv\r\nDate,06/12/2026\r\nTime,14:05:00\r\nSamples," + samples +
           "\r\nColumns," + columns + "\r\nPage,1 of 1\r\nGraphScale,0-35\r\nField Peak,12.5\r\n";
}

const std::string kHeaderEnd =
    "Probe Type,FP-7400\r\nOperator,J\r\nAntenna,Horn, 2 m\r\nUnits,V/m\r\nEndHeader\r\n";

// Each column mode, and an empty log (header and titles only).
TEST(SaveData, EachColumnModeWritesTheDocumentedBytes) {
    const std::tuple<int16_t, int32_t, std::string> cases[] = {
        {0, 2,
         HeaderStart("2", "2") + kHeaderEnd +
             "Time ,Field V/m\r\n14:03:27,12.5\r\n14:03:28,1.234568E+07\r\n"},
        {1, 2,
         HeaderStart("2", "5") + "X Peak,7.25\r\nY Peak,1.5E-05\r\nZ Peak,0\r\n" + kHeaderEnd +
             "Time ,Field V/m,X V/m,Y V/m,Z V/m\r\n14:03:27,12.5,7.25,3.1,0.5\r\n"
             "14:03:28,1.234568E+07,0.0001,1.5E-05,-2\r\n"},
        {2, 2,
         HeaderStart("2", "3") + kHeaderEnd +
             "Time ,Field V/m,Moving AveV/m\r\n14:03:27,12.5,7.25\r\n"
             "14:03:28,1.234568E+07,0.0001\r\n"},
        {0, 0, HeaderStart("0", "2") + kHeaderEnd + "Time ,Field V/m\r\n"}};
    for (const auto& [mode, rows, expected] : cases) {
        TempDir dir;
        auto log = SmallLog(mode);
        log->RecordCnt = rows;
        const SaveResult r = SaveData(*log, dir / "log.csv", kStamp);
        ASSERT_TRUE(r.Ok) << r.Error;
        EXPECT_EQ(r.Status, "Saved " + std::to_string(rows) + " data points.");
        EXPECT_EQ(ReadFile(dir / "log.csv"), expected) << mode;
    }
}

// No note can end the header early or replace the log's scale or units: not a line break in
// an answer, nor a label that begins like a key the reader acts on.
TEST(SaveData, NotesNeverPassForHeaderKeys) {
    TempDir dir;
    auto log = SmallLog(0);
    log->HeaderNotes.Entry[1].Value = "J\r\nEndHeader";
    const std::string labels[] = {"EndHeader",       "GraphScale", "Units",  "endheader 2",
                                  "GraphScale note", "UNITS of",   "Page 2", "Header x"};
    for (const std::string& label : labels) {
        log->HeaderNotes.Entry[3] = {"?", label, "x"};
        ASSERT_TRUE(SaveData(*log, dir / "log.csv", kStamp).Ok);
        const LoadResult r = LoadData(dir / "log.csv");
        EXPECT_EQ(r.RecordCnt, 2) << label;
        EXPECT_EQ(r.GraphScale, "0-35") << label;
        EXPECT_EQ(r.LogUnits, "V/m") << label;
        EXPECT_EQ(r.HeaderLines.at(11), " " + label + ",x");
    }
}

TEST(SaveData, MidnightRoundingAndOverlongHoursAreReportedOnce) {
    TempDir dir;
    auto log = SmallLog(0);
    log->LogData[1][0] = DayFraction(23, 59, 59.6);
    log->LogData[2][0] = 5.0f; // 120 hours: not a time of day
    log->RecordCnt = 2;
    const SaveResult r = SaveData(*log, dir / "log.csv", kStamp);
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(r.Messages, std::vector<std::string>{"Error in FormatTimeStr"});
    const std::string text = ReadFile(dir / "log.csv");
    EXPECT_NE(text.find("\r\n24:00:00,12.5\r\n120:00:00,"), std::string::npos);
}

// Pages of 32000 rows each, named after the chosen file, read back whole; a dot in a folder is
// no extension, and folder names outside ASCII work end to end.
TEST(SaveData, SplitsAt32000RowsWithNumberedNames) {
    const std::tuple<int32_t, std::string, std::vector<std::string>> cases[] = {
        {32000, "full.csv", {"full.csv"}},
        {32001, "survey.csv", {"survey.csv", "survey_2.csv"}},
        {32001, "run.data", {"run.dat", "run_2.dat"}},
        {64001, "Messung Süd/測定/three.txt", {"three.txt", "three_2.txt", "three_3.txt"}},
        {32001, "my.dir/north", {"north.csv", "north_2.csv"}},
        {32001, "survey 12.06.2026", {"survey 12.06.2026.csv", "survey 12.06.2026_2.csv"}},
    };
    for (const auto& [rows, chosen, files] : cases) {
        TempDir dir;
        const auto path = dir.Path() / std::filesystem::u8path(chosen);
        std::filesystem::create_directories(path.parent_path());
        const SaveResult r = SaveData(*testing::Counting(rows), path, kStamp);
        ASSERT_TRUE(r.Ok) << r.Error;
        ASSERT_EQ(r.Pages.size(), files.size()) << chosen;
        const std::string pageCount = std::to_string(files.size());
        for (size_t p = 0; p < files.size(); ++p) {
            const auto page = path.parent_path() / files[p];
            EXPECT_EQ(r.Pages[p], page);
            EXPECT_NE(ReadFile(page).find("\r\nFile," + files[p] +
                                          "\r\nDate,06/12/2026\r\nTime,14:05:00\r\nSamples," +
                                          std::to_string(rows) + "\r\nColumns,2\r\nPage," +
                                          std::to_string(p + 1) + " of " + pageCount + "\r\n"),
                      std::string::npos)
                << files[p];
            const LoadResult back = LoadData(page);
            const int32_t first = 32000 * static_cast<int32_t>(p) + 1;
            ASSERT_EQ(back.RecordCnt, std::min(32000, rows - first + 1)) << back.Error;
            EXPECT_EQ(back.Table[1][2], static_cast<float>(first));
            EXPECT_EQ(back.Table.back()[2], static_cast<float>(first + back.RecordCnt - 1));
        }
        EXPECT_EQ(testing::Names(path.parent_path()).size(), files.size());
    }
    // An extension is one to four letters and digits, at least one a letter.
    for (const char* name : {"mast 1.5 m", "site.north", "run.2026", "a.b_c"}) {
        EXPECT_EQ(PagePath(name, 2), std::string(name) + "_2.csv");
    }
}

// Saving removes the later pages of an earlier log of its name, but only a file whose header
// marks it as that page of a set: logs saved on their own under such names stop the save.
TEST(SaveData, RemovesStalePagesButNeverALogOfItsOwn) {
    TempDir dir;
    const auto page = [&](const std::string& name, int32_t p, int32_t of) {
        testing::WriteFile(dir / name, LogPageText(*SmallLog(0), p, of, name, kStamp));
    };
    testing::WriteFile(dir / "site.csv", "old");
    page("site_2.csv", 1, 1);
    page("site_3.csv", 1, 1);
    page("site_4.csv", 4, 4);
    EXPECT_EQ(SaveData(*SmallLog(0), dir / "site.csv", {}).Error,
              "\"site_2.csv\" and \"site_3.csv\" are in the way: saving as \"site.csv\" removes "
              "the later pages of an earlier, longer log of that name, and they are not. Move or "
              "rename them, or choose another name. Nothing was saved.");
    EXPECT_EQ(ReadFile(dir / "site.csv"), "old");
    EXPECT_EQ(testing::Names(dir.Path()).size(), 4u);
    std::filesystem::remove(dir / "site_3.csv");
    page("site_2.csv", 2, 4);
    const SavePlan plan = PlanSave(dir / "site.csv", 1);
    EXPECT_EQ(plan.Removed, (std::vector{dir.Path() / "site_2.csv", dir.Path() / "site_4.csv"}));
    page("site_5.csv", 5, 5); // after the question: not removed
    EXPECT_NE(SaveData(*SmallLog(0), dir / "site.csv", kStamp, &plan).Error.find("\"site_5.csv\""),
              std::string::npos);
    EXPECT_TRUE(SaveData(*SmallLog(0), dir / "site.csv", kStamp).Ok);
    EXPECT_EQ(testing::Names(dir.Path()), std::set<std::filesystem::path>{"site.csv"});
}

TEST(SaveData, RefusesWhatItCannotWriteAndClampsImpossibleCounts) {
    TempDir dir;
    auto log = SmallLog(1);
    const SaveResult noFolder = SaveData(*log, dir / "missing/log.csv", kStamp);
    // The reason in the system's own words.
#ifdef _WIN32
    const std::string noSuchFolder = std::system_category().message(3); // ERROR_PATH_NOT_FOUND
#else
    const std::string noSuchFolder = std::strerror(ENOENT);
#endif
    EXPECT_NE(noFolder.Error.find("cannot be created: " + noSuchFolder), std::string::npos)
        << noFolder.Error;
    EXPECT_FALSE(SaveData(*log, dir.Path() / "", kStamp).Ok);
    EXPECT_FALSE(SaveData(*SmallLog(7), dir / "log.csv", kStamp).Ok);
    EXPECT_EQ(dir.Entries(), 0);
    log->RecordCnt = -5;
    EXPECT_EQ(SaveData(*log, dir / "log.csv", kStamp).Status, "Saved 0 data points.");
    log->LogData.resize(3); // a table shorter than its count
    log->RecordCnt = 100;
    EXPECT_EQ(SaveData(*log, dir / "log.csv", kStamp).Status, "Saved 2 data points.");
}

TEST(ParsePathFile, SplitsAtTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(ParsePathFile("C:\\a/b\\c.txt", 1), "C:\\a/b");
    EXPECT_EQ(ParsePathFile("C:\\a/b\\c.txt", 2), "c.txt");
    EXPECT_EQ(ParsePathFile("plain.csv", 2), "plain.csv");
}

TEST(UnFormatTime, ReadsEveryWrittenSecondBack) {
    for (int s = 0; s <= 86400; ++s) {
        const std::string text = FormatTimeStr(static_cast<float>(s / 86400.0));
        ASSERT_EQ(FormatTimeStr(UnFormatTime(text)), text);
    }
    EXPECT_EQ(UnFormatTime("ab:cd:ef"), 0.0f);
    EXPECT_FLOAT_EQ(UnFormatTime("7"), static_cast<float>((7 * 3600 + 7) / 86400.0));
}

} // namespace
} // namespace vireon
