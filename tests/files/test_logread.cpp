// Reading log files: header handling, column counts, table limits and malformed rows.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>

#include "common/numfmt.h"
#include "files/LogFile.h"
#include "support/TempDir.h"

namespace vireon {
namespace {

using testing::TempDir;

std::string Rows(int first, int last, int values) {
    std::string out;
    for (int i = first; i <= last; ++i) {
        out += "00:00:01";
        for (int c = 0; c < values; ++c) {
            out += "," + std::to_string(i * 10 + c);
        }
        out += "\r\n";
    }
    return out;
}

const std::string kHeader = "Header\r\nFile,a.csv\r\nGraphScale,Log 0.1-1000\r\nOperator,J, K\r\n"
                            "Units,mW/cm2\r\nEndHeader\r\n";

// Editors add a byte-order mark, a trailing blank or change the case of the keys; a second
// text-mode conversion ends the lines CR CR LF.
TEST(LoadData, KeepsTheHeaderAndTakesScaleAndUnitsInAnyCase) {
    const std::string titles = "Time ,Field mW/cm2,X mW/cm2,Y mW/cm2,Z mW/cm2\r\n";
    const std::string edited = "\xEF\xBB\xBFheader \r\nFile,a.csv\r\nGRAPHSCALE,Log 0.1-1000\r\n"
                               "Operator,J, K\r\nunits,mW/cm2\r\nendHeader\r\n";
    for (const std::string& text :
         {kHeader + titles + Rows(1, 3, 4), edited + titles + Rows(1, 3, 4),
          testing::DoubleCr(kHeader + titles + Rows(1, 3, 4))}) {
        const LoadResult r = ParseLogText(text, "a.csv");
        ASSERT_TRUE(r.Ok) << r.Error;
        ASSERT_EQ(r.HeaderLines.size(), 6);
        EXPECT_EQ(r.HeaderLines[3], "Operator,J, K");
        EXPECT_EQ(r.GraphScale, "Log 0.1-1000");
        EXPECT_EQ(r.LogUnits, "mW/cm2");
        EXPECT_EQ(r.LoadedFileTag, "    (a.csv)");
        EXPECT_EQ(r.ValueColumns, 4);
        EXPECT_EQ(r.RecordCnt, 3);
        EXPECT_TRUE(r.Notices.empty());
        EXPECT_EQ(r.Table[3], (std::array<float, 6>{0, 1 / 86400.0f, 30, 31, 32, 33}));
    }
}

// The row Rows() writes as row `i` (at 1 s past midnight), as read into `columns` values.
std::array<float, 6> Row(int i, int columns) {
    std::array<float, 6> row{0, 1 / 86400.0f};
    for (int c = 0; c < columns; ++c) {
        row[static_cast<size_t>(c + 2)] = static_cast<float>(i * 10 + c);
    }
    return row;
}

// Each case: the text, the value columns and rows taken (no rows: it does not load), the last
// row read, and what the user is told (the notices, or the error when it does not load).
TEST(LoadData, ColumnCountsLimitsAndMalformedRows) {
    const std::string titles5 = "Time ,Field V/m,X V/m,Y V/m,Z V/m\r\n";
    const std::string titles1 = "Time ,Field V/m\r\n";
    const struct {
        std::string Text;
        int16_t Columns;
        int32_t Rows;
        std::array<float, 6> Last;
        std::vector<std::string> Said;
    } cases[] = {
        // clang-format off
        {kHeader + "Time ,Field V/m,Moving AveV/m\n" + Rows(1, 2, 2), 2, 2, Row(2, 2), {}},
        // Without a header the first line is dropped and four values assumed.
        {"whatever,this,is\n" + Rows(1, 2, 4), 4, 2, Row(2, 4), {}},
        {kHeader + titles5 + Rows(1, 2, 4) + "00:00:03,1,2\r\n" + Rows(4, 5, 4), 4, 2, Row(2, 4),
         {"Line 10 (\"00:00:03,1,2\") has 3 fields where 5 were expected; reading stopped there, "
          "keeping the 2 rows before it."}},
        {kHeader + "Time ,A,B,C,D,E,F\r\n" + Rows(1, 2, 6), 4, 2, Row(2, 4),
         {"The file has 6 value columns; only the first 4 were read."}},
        {kHeader + titles1 + Rows(1, 32005, 1), 1, 32000, Row(32000, 1),
         {"The file holds 32005 data rows; only the first 32000 were read."}},
        // Times that are no times and values beyond a single are left out, never guessed.
        {kHeader + "Time ,Field V/m,X V/m\r\n" + " 01:00:00 , 2.5 ,x7\r\n\r\n   \r\n" +
             "xx:yy:zz,1,1\r\n25:61:61,1,1\r\n08:00:01.75,1,1\r\n00:00:01,1e999,1\r\n" +
             "00:00:01,1,3.5e38\r\n00:00:01,NaN,1\r\n00:00:01,1,-Inf\r\n00:00:01,1," +
             std::string(10 << 20, '7') + "\r\n24:00:00,3,4,5\r\n",
         2, 1, {0, 1.0f, 3, 4, 0, 0},
         {"9 rows had unreadable times or values and were left out; first at line 8 (\" "
          "01:00:00 , 2.5 ,x7\").",
          "Line 19 and maybe others hold more fields than the column titles name; the extra "
          "fields were not read."}},
        {"", 0, 0, {}, {"The file is empty."}},
        {"\r\r\r\r", 0, 0, {}, {"The file holds no readable rows."}},
        {kHeader + titles1 + "x,1\r\n", 0, 0, {},
         {"The file holds no readable rows. 1 row had unreadable times or values and was left "
          "out; first at line 8 (\"x,1\")."}},
        {"Header\r\nFile,x\r\n", 0, 0, {},
         {"The header has no \"EndHeader\" line; no data was read."}},
        {"Header\r\nEndHeader\r\n", 0, 0, {},
         {"The file ends before the column titles; no data was read."}},
        // clang-format on
    };
    for (const auto& c : cases) {
        const LoadResult r = ParseLogText(c.Text, "d.csv");
        const std::string what = c.Text.substr(0, 200);
        EXPECT_EQ(r.Ok, c.Rows > 0) << what;
        EXPECT_EQ(r.RecordCnt, c.Rows) << what;
        ASSERT_EQ(r.Table.size(), static_cast<size_t>(c.Rows) + 1) << what;
        if (c.Rows > 0) {
            EXPECT_EQ(r.ValueColumns, c.Columns) << what;
            EXPECT_EQ(r.Table[static_cast<size_t>(c.Rows)], c.Last) << what;
        }
        EXPECT_EQ(r.Ok ? r.Notices : std::vector<std::string>{r.Error}, c.Said) << what;
    }
    // A saved empty log loads, with its one column and no rows.
    const LoadResult empty = ParseLogText(kHeader + titles1, "e.csv");
    EXPECT_TRUE(empty.Ok) << empty.Error;
    EXPECT_EQ(empty.RecordCnt, 0);
    EXPECT_EQ(empty.Table.size(), 1u);
    EXPECT_TRUE(empty.Notices.empty());
}

// Singles of every magnitude and sign (decades and random bit patterns) come back from a whole
// save and load as the single nearest the seven written digits, and writing what was read
// gives the same text, so a re-saved log never drifts.
TEST(LogValues, ReadBackExactlyAsWrittenThroughAWholeSaveAndLoad) {
    std::vector<float> values = {0.0f, 9.9999e-5f, 9999999.0f, 3.4028235e38f, 1.4e-45f};
    for (int e = -45; e <= 37; ++e) {
        values.push_back(static_cast<float>(9.9999995 * std::pow(10.0, e)));
    }
    std::mt19937 gen(7);
    std::uniform_int_distribution<uint32_t> bits(0, 0x7F7FFFFF); // finite and positive
    for (int i = 0; i < 40000; ++i) {
        const uint32_t b = bits(gen) | (i % 2 == 0 ? 0 : 0x80000000u);
        values.push_back(std::bit_cast<float>(b));
    }
    auto log = std::make_unique<LogModel>();
    log->LogColumnMode = 1;
    log->RecordCnt = static_cast<int32_t>((values.size() + 3) / 4);
    for (size_t i = 0; i < values.size(); ++i) {
        log->LogData[i / 4 + 1][i % 4 + 1] = values[i];
    }
    TempDir dir;
    ASSERT_TRUE(SaveData(*log, dir / "v.csv", SaveStamp{}).Ok);
    const LoadResult r = LoadData(dir / "v.csv");
    ASSERT_EQ(r.RecordCnt, log->RecordCnt);
    for (size_t i = 0; i < values.size(); ++i) {
        const float got = r.Table[i / 4 + 1][i % 4 + 2];
        const std::string text = GeneralNumber(values[i]);
        ASSERT_EQ(got, std::strtof(text.c_str(), nullptr)) << text;
        ASSERT_LE(std::fabs(static_cast<double>(got) - values[i]), 5.6e-7 * std::fabs(values[i]));
        ASSERT_EQ(GeneralNumber(got), text);
    }
}

} // namespace
} // namespace vireon
