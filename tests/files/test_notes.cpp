// The note-prompts file: splitting rules, the 25-note limit and writing answers back.
#include <gtest/gtest.h>

#include "files/HeaderNotes.h"
#include "support/TempDir.h"

#include <tuple>

namespace vireon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(LoadNoteQuery, SplitsAtTheFirstAndLastComma) {
    const std::pair<std::string, HeaderNote> cases[] = {
        {"Operator name?,Operator,J", {"Operator name?", "Operator", "J"}},
        {"Site?,Site", {"Site?", "Site", ""}},
        {"Q?,A,B,C", {"Q?", "A,B", "C"}},
        {"  Q? , Label ,  v  ", {"Q?", "Label", "v"}},
        {"no comma at all", {"", "", ""}},
        {"Q?,,V", {"Q?", "", "V"}},
    };
    for (const auto& [line, note] : cases) {
        const HeaderNoteTable t = ParseNoteQuery(line + "\r\n");
        ASSERT_EQ(t.Count, 1) << line;
        const HeaderNote& n = t.Entry[1];
        EXPECT_EQ(std::tie(n.Question, n.Label, n.Value),
                  std::tie(note.Question, note.Label, note.Value))
            << line;
    }
}

TEST(SaveNoteQuery, AnswersWrittenAtExitAreOfferedNextRun) {
    TempDir dir;
    const auto path = dir.Path() / "testquery.txt";
    EXPECT_EQ(LoadNoteQuery(path).Count, 0); // a missing file gives no notes
    WriteFile(path, "Operator name?,Operator\r\nSite?,Site,Lab 3\r\nQ?,A,B,C\r\n");
    HeaderNoteTable t = LoadNoteQuery(path);
    ASSERT_EQ(t.Count, 3);
    t.Entry[1].Value = "J";
    t.Entry[2].Value = "";             // left empty at Save as...: still written back
    t.Entry[3].Value = "Smith, J\r\n"; // a comma in an answer cannot change the label
    ASSERT_TRUE(SaveNoteQuery(path, t).Ok);
    EXPECT_EQ(ReadFile(path), "Operator name?,Operator,J\r\nSite?,Site,\r\nQ?,A,B,Smith; J  \r\n");
    const HeaderNoteTable next = LoadNoteQuery(path);
    ASSERT_EQ(next.Count, 3);
    EXPECT_EQ(next.Entry[3].Label, "A,B");
    EXPECT_EQ(next.Entry[3].Value, "Smith; J");
}

// Empty lines are skipped; lines past the 25th note are not read, and kept (with the line ends
// of the file written) when the answers are written back.
TEST(SaveNoteQuery, KeepsLinesBeyondThe25thAndLeavesTheFileAloneWithoutNotes) {
    TempDir dir;
    const auto path = dir.Path() / "testquery.txt";
    std::string text = "\r\n\n";
    std::string written;
    for (int i = 1; i <= 27; ++i) {
        const std::string line = "Q" + std::to_string(i) + "?,L" + std::to_string(i) + ",v";
        text += line + (i == 1 ? "\r\n\r\n" : "\n");
        written += line + "\r\n";
    }
    WriteFile(path, text);
    const HeaderNoteTable t = LoadNoteQuery(path);
    EXPECT_EQ(t.Count, 25);
    EXPECT_EQ(t.Entry[25].Question, "Q25?");
    EXPECT_EQ(t.Unread, (std::vector<std::string>{"Q26?,L26,v", "Q27?,L27,v"}));
    ASSERT_TRUE(SaveNoteQuery(path, t).Ok);
    EXPECT_EQ(ReadFile(path), written);

    // A file with no notes, or one too large to be a prompts file, is never overwritten.
    for (const std::string& kept :
         {std::string("\r\n\r\n"), "Q?,L,v\r\n" + std::string(1 << 20, 'x')}) {
        WriteFile(path, kept);
        std::string problem;
        const HeaderNoteTable none = LoadNoteQuery(path, &problem);
        EXPECT_EQ(none.Count, 0);
        const bool tooLarge = kept.size() > 100;
        EXPECT_EQ(problem.empty(), !tooLarge) << problem;
        EXPECT_EQ(problem.find("larger than 1 MiB") != std::string::npos, tooLarge) << problem;
        ASSERT_TRUE(SaveNoteQuery(path, none).Ok);
        EXPECT_EQ(ReadFile(path), kept);
    }
}

} // namespace
} // namespace vireon
