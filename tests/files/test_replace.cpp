// Replacing files where Windows differs from Linux: names no code page holds, a save that died
// half way, read-only and busy targets, drive letters and either slash.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "files/ConfigFile.h"
#include "files/LogFile.h"
#include "support/TempDir.h"

namespace vireon {
namespace {

using testing::Counting;
using testing::Names;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Greek and Chinese are in no Western code page: a name narrowed on the way would be lost.
TEST(ReplaceFile, NamesNoCodePageHoldsAreSavedTidiedAndRead) {
    TempDir dir;
    const auto folder = dir.Path() / u8"Messung \u03a9 \u6d4b";
    std::filesystem::create_directories(folder);
    const auto chosen = folder / u8"survey \u00e4\u20ac.csv";
    for (int32_t p = 1; p <= 3; ++p) {
        WriteFile(PagePath(chosen, p), LogPageText(*Counting(0), p, 3, "", SaveStamp{}));
    }
    const SaveResult r = SaveData(*Counting(40000), chosen, SaveStamp{});
    ASSERT_TRUE(r.Ok) << r.Error;
    EXPECT_EQ(Names(folder), (std::set<std::filesystem::path>{u8"survey \u00e4\u20ac.csv",
                                                              u8"survey \u00e4\u20ac_2.csv"}));
    const LoadResult back = LoadData(r.Pages.at(1));
    ASSERT_TRUE(back.Ok) << back.Error;
    EXPECT_EQ(back.Table[1][2], 32001.0f);
    // Messages are Windows-1252: what it lacks shows as "?".
    EXPECT_EQ(TextOfPath(chosen.parent_path().filename()), "Messung ? ?");
    EXPECT_EQ(TextOfPath(chosen.filename()), "survey \xe4\x80.csv");
}

// A save killed between its commit record and its last rename: the next load of the folder
// finishes it - within the record's own page set - and removes what it left, but not a
// temporary file of a save still running, nor files that merely look like pages or ours.
TEST(ReplaceFile, ASaveThatDiedDuringItsRenamesIsFinishedByTheNextLoad) {
    TempDir dir;
    const auto in = [&](const std::string& name) { return dir.Path() / name; };
    const std::string dead = ".999999999.0123456789abcdef.";
    const auto running = TempPathFor(in("survey.csv"), "00000000000000ff", "tmp");
    std::set<std::filesystem::path> kept = {"important.txt", "survey_17.csv", "survey_02.csv",
                                            ".survey.csv.999999999.x.tmp", running.filename()};
    for (const auto& name : kept) {
        WriteFile(dir.Path() / name, "kept");
    }
    WriteFile(in("survey.csv"), "Samples,1\r\n");
    WriteFile(in("survey_2.csv"), "old page 2");
    WriteFile(in("survey_3.csv"), "old page 3");
    WriteFile(in(".survey_2.csv" + dead + "tmp"), "new page 2");
    WriteFile(in(".important.txt" + dead + "tmp"), "not of its set");
    WriteFile(in(".survey.csv" + dead + "commit"),
              "survey_3.csv\nimportant.txt\nsurvey_17.csv\nsurvey_02.csv\n");
    WriteFile(in(".other.csv.999999998.fedcba9876543210.tmp"), "left by a killed save");
    WriteFile(in(".survey_5.csv.999999998.3.tmp"), "left by an earlier version");

    LoadData(in("survey.csv"));
    EXPECT_EQ(ReadFile(in("survey_2.csv")), "new page 2");
    EXPECT_EQ(ReadFile(in("important.txt")), "kept");
    kept.insert({"survey.csv", "survey_2.csv"});
    EXPECT_EQ(Names(dir.Path()), kept);
}

TEST(ReplaceFile, AReadOnlyOrBusyTargetIsKeptAndTheReasonGiven) {
    TempDir dir;
    const auto target = dir.Path() / "VireonII.cfg";
    WriteFile(target, "old");
    using std::filesystem::perms;
    std::filesystem::permissions(target,
                                 perms::owner_read | perms::group_read | perms::others_read);
    WriteResult w = WriteFileAtomically(target, "new");
    EXPECT_EQ(w.Error, "\"" + TextOfPath(target) + "\" is read-only; it was not replaced.");
    std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
#ifdef _WIN32
    // Windows will not replace a file another program holds open (a log open in a spreadsheet).
    {
        std::ifstream reader(target, std::ios::binary);
        ASSERT_TRUE(reader.is_open());
        w = WriteFileAtomically(target, "new");
        EXPECT_NE(w.Error.find("could not replace the old file: "), std::string::npos) << w.Error;
    }
#endif
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(Names(dir.Path()), (std::set<std::filesystem::path>{"VireonII.cfg"}));
    ASSERT_TRUE(WriteFileAtomically(target, "new").Ok);
    EXPECT_EQ(ReadFile(target), "new");
}

#ifdef _WIN32
// Only Windows takes a backslash or a drive for a folder; elsewhere they are part of a name.
TEST(PagePath, DrivesAndEitherSlashKeepThePagesInTheChosenFolder) {
    const std::tuple<std::filesystem::path, int32_t, std::filesystem::path> cases[] = {
        {"C:\\Messungen\\survey.csv", 2, "C:\\Messungen\\survey_2.csv"},
        {"C:/a.b/survey", 3, "C:\\a.b\\survey_3.csv"},
        {"D:survey.csv", 2, "D:survey_2.csv"},
        {"\\\\server\\share\\s.v1\\log.csv", 16, "\\\\server\\share\\s.v1\\log_16.csv"}};
    for (const auto& [chosen, page, expected] : cases) {
        EXPECT_EQ(PagePath(chosen, page), expected) << chosen;
    }
}
#endif

} // namespace
} // namespace vireon
