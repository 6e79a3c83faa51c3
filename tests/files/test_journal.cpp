// The recovery journal: what the writer puts down reads back exactly, and a journal cut or
// spoilt at its end still gives every complete row before the damage.

#include "files/Journal.h"
#include "files/LogFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

namespace vireon {
namespace {

TEST(Journal, RowsAndPeaksReadBackExactlyInEachColumnMode) {
    testing::TempDir dir;
    for (int16_t mode : {0, 1, 2}) {
        const auto path = dir.Path() / ("j" + std::to_string(mode));
        JournalWriter w;
        ASSERT_TRUE(w.Start(path, {"2026-12-06", "14:02:11", mode, "(V/m)\xB2", "0-35"}));
        const int values = mode == 1 ? 4 : (mode == 2 ? 2 : 1);
        std::vector<std::array<float, 5>> rows;
        for (int i = 1; i <= 100; ++i) {
            std::array<float, 5> row{(50000.0F + i) / 86400.0F, 0.1F * i, 1e-7F * i, 1.234567e8F,
                                     -0.0F};
            for (int c = values + 1; c < 5; ++c) {
                row[static_cast<size_t>(c)] = 0;
            }
            rows.push_back(row);
            w.Append(row, values);
            w.Peaks({0.1F * i, 3, 2, 1});
        }
        w.Append({0.5F, std::numeric_limits<float>::infinity(), 0, 0, 0}, values);
        w.Close();
        const JournalContent j = ReadJournal(path);
        ASSERT_TRUE(j.Ok);
        EXPECT_FALSE(j.Torn);
        const JournalHeader& h = j.Header;
        EXPECT_EQ(std::tie(h.StartDate, h.StartTime, h.LogColumnMode, h.LogUnits, h.GraphScale),
                  std::tuple("2026-12-06", "14:02:11", mode, "(V/m)\xB2", "0-35"));
        ASSERT_EQ(j.Rows.size(), 101u);
        EXPECT_TRUE(std::equal(rows.begin(), rows.end(), j.Rows.begin()));
        EXPECT_TRUE(std::isinf(j.Rows[100][1]));
        EXPECT_EQ(j.LogPeaks, (std::array<float, 4>{10.0F, 3, 2, 1}));
    }
}

TEST(Journal, ADamagedEndKeepsEveryCompleteRowBeforeIt) {
    testing::TempDir dir;
    const auto path = dir.Path() / "j";
    JournalWriter w;
    ASSERT_TRUE(w.Start(path, {"2026-12-06", "14:02:11", 1, "V/m", "Auto"}));
    for (int i = 1; i <= 3; ++i) {
        w.Append({0.5F, 1.0F * i, 2, 3, 4}, 4);
    }
    w.Close();
    const std::string whole = testing::ReadFile(path);
    const size_t lastRow = whole.rfind("0.5,3,");
    struct Case {
        std::string text;
        size_t rows;
        bool torn;
    };
    const Case cases[] = {
        {whole, 3, false},
        {whole.substr(0, lastRow + 5), 2, true},              // cut inside the last row
        {whole.substr(0, whole.size() - 1), 2, true},         // its line end lost
        {whole + "0.5,4,2\n0.5,5,2,3,4\n", 3, true},          // too few fields, then more
        {whole + std::string(16, '\0'), 3, true},             // zeros after a power cut
        {whole.substr(0, whole.find("EndHeader")), 0, false}, // no end of header
        {"Vireon II recovery journal\nColumns,7\nEndHeader\n", 0, false}, // no such mode
        {"", 0, false},
    };
    for (const Case& c : cases) {
        const JournalContent j = ParseJournal(c.text);
        EXPECT_EQ(j.Rows.size(), c.rows) << c.text;
        EXPECT_EQ(j.Torn, c.torn) << c.text;
    }
    EXPECT_FALSE(ParseJournal(cases[5].text).Ok);
    w.Remove();
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(ReadJournal(path).Ok);
}

} // namespace
} // namespace vireon
