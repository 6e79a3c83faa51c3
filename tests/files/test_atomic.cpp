// A save that dies or fails half way must leave the previous files as they were, and what it
// writes cannot be steered elsewhere.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "files/ConfigFile.h"
#include "files/HeaderNotes.h"
#include "files/LogFile.h"
#include "support/TempDir.h"

namespace vireon {
namespace {

using testing::Names;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// A write that fails half way (here: a file size limit) is reported with its reason and
// leaves the old pages and no temporary file.
TEST(TornWrite, AFailedWriteLeavesTheOldPagesAndNoTrace) {
    TempDir dir;
    WriteFile(dir / "survey.csv", "old page one\r\n");
    WriteFile(dir / "survey_2.csv", "old page two\r\n");
    const auto log = testing::Counting(40000);
    log->LogColumnMode = 1;
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &lim);
        const SaveResult r = SaveData(*log, dir / "survey.csv", SaveStamp{});
        _exit(!r.Ok && r.Error.find("File too large") != std::string::npos ? 10 : 11);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 10) << "the failure was not reported with its reason";
    EXPECT_EQ(dir.Entries(), 2) << "a temporary file was left behind";
    EXPECT_EQ(ReadFile(dir / "survey.csv"), "old page one\r\n");
    EXPECT_EQ(ReadFile(dir / "survey_2.csv"), "old page two\r\n");
}

TEST(PendingFile, NeverFollowsAPlantedLinkAndKeepsPermissions) {
    TempDir dir;
    const auto target = dir.Path() / "VireonII.cfg";
    WriteFile(dir / "victim", "victim");
    std::filesystem::create_symlink(dir.Path() / "victim",
                                    TempPathFor(target, "0123456789abcdef", "tmp"));
    PendingFile planted(target, "0123456789abcdef");
    EXPECT_NE(planted.Error().find("cannot be created: File exists"), std::string::npos)
        << planted.Error();
    // The name is unpredictable: a link for every name of the old counting scheme is no use.
    for (int n = 0; n < 200; ++n) {
        std::filesystem::create_symlink(dir.Path() / "victim",
                                        dir.Path() / (".VireonII.cfg." + std::to_string(getpid()) +
                                                      "." + std::to_string(n) + ".tmp"));
    }
    for (const auto mode : {0600, 0664}) {
        WriteFile(target, "old");
        std::filesystem::permissions(target, static_cast<std::filesystem::perms>(mode));
        EXPECT_EQ(WriteFileAtomically(target, "new").Error, "");
        EXPECT_EQ(ReadFile(target), "new") << mode;
        EXPECT_EQ(static_cast<int>(std::filesystem::status(target).permissions()), mode);
    }
    EXPECT_EQ(ReadFile(dir / "victim"), "victim");
    // A folder in the way is not replaced either.
    std::filesystem::create_directories(dir.Path() / "folder" / "x");
    EXPECT_NE(
        SaveCfg(dir.Path() / "folder", CfgSettings{}).Error.find("could not replace the old file"),
        std::string::npos);
}

// In a folder others may write to, a commit record or temporary file planted by another user
// steers nothing, though it names files of its own page set as a save of ours would.
TEST(ReplaceFile, PlantedCommitRecordsSteerNothing) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "planting another user's files needs root";
    }
    TempDir dir;
    std::filesystem::permissions(dir.Path(), static_cast<std::filesystem::perms>(01777));
    std::set<std::filesystem::path> left = {"important.txt", "survey.csv", "survey_2.csv"};
    for (const auto& name : left) {
        WriteFile(dir.Path() / name, name);
    }
    for (const std::string kind : {"commit", "tmp"}) {
        const auto planted = dir.Path() / (".survey.csv.999999999.0123456789abcdef." + kind);
        WriteFile(planted, "important.txt\nsurvey.csv\nsurvey_2.csv\n");
        ASSERT_EQ(chown(planted.c_str(), 65534, 65534), 0);
        left.insert(planted.filename());
    }
    LoadData(dir / "survey.csv");
    EXPECT_EQ(ReadFile(dir / "survey.csv"), "survey.csv");
    EXPECT_EQ(Names(dir.Path()), left);
}

// Opening a pipe for reading waits for a writer; a log, the settings or the prompts chosen by
// mistake must be refused at once instead.
TEST(NotAFile, PipesAndDevicesAreRefusedWithoutWaiting) {
    TempDir dir;
    const auto pipe = dir.Path() / "pipe.csv";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {pipe, "It is a named pipe, not a file."}, {"/dev/null", "It is a device, not a file."}};
    for (const auto& [path, why] : cases) {
        EXPECT_NE(LoadData(path).Error.find(why), std::string::npos) << path;
        CfgSettings s;
        const CfgLoadResult cfg = LoadCfg(path, s, "/prog");
        EXPECT_NE(cfg.Problem.find(why), std::string::npos) << cfg.Problem;
        std::string problem;
        EXPECT_EQ(LoadNoteQuery(path, &problem).Count, 0);
        EXPECT_NE(problem.find(why), std::string::npos) << problem;
    }
}

// Saves of a full log over an earlier one, killed at random moments and the moment the renames
// into place begin, with whole saves between: the folder holds the old pages or the new ones -
// never a mixture - once the next load or save has tidied it, and no temporary file is left.
TEST(CrashSafety, KilledSavesLeaveTheOldOrTheNewPagesWhole) {
    TempDir dir;
    const auto path = dir.Path() / "survey.csv";
    const auto log = testing::Counting(kLogMaxRows);
    const SaveStamp stamps[2] = {{"first", "", ""}, {"second", "", ""}};
    std::vector<std::string> pages[2];
    std::set<std::filesystem::path> names;
    for (int32_t p = 1; p <= 16; ++p) {
        const auto name = PagePath(path, p).filename().string();
        names.insert(name);
        for (int g = 0; g < 2; ++g) {
            pages[g].push_back(LogPageText(*log, p, 16, name, stamps[g]));
        }
    }
    const auto whichSet = [&]() {
        int found = -1;
        for (int32_t p = 1; p <= 16; ++p) {
            const std::string text = ReadFile(PagePath(path, p));
            const int g = text == pages[0][p - 1] ? 0 : (text == pages[1][p - 1] ? 1 : -1);
            if (g < 0 || (found >= 0 && g != found)) {
                return -1;
            }
            found = g;
        }
        return found;
    };
    // The renames begin once the commit record is on disk.
    const auto committing = [&] {
        for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
            if (e.path().extension() == ".commit") {
                return true;
            }
        }
        return false;
    };
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(SaveData(*log, path, stamps[0]).Ok);
    const auto saveTime = std::chrono::steady_clock::now() - start;
    std::mt19937 gen(11);
    std::uniform_int_distribution<int> anyMoment(0, 120);
    int onDisk = 0;
    for (int i = 0; i < 100; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            _exit(SaveData(*log, path, stamps[1 - onDisk]).Ok ? 0 : 1);
        }
        int status = 0;
        if (i % 4 == 3) {
            waitpid(pid, &status, 0);
            ASSERT_EQ(status, 0) << "a save left to finish";
        } else {
            if (i % 4 == 1) {
                while (!committing() && waitpid(pid, &status, WNOHANG) == 0) {
                    std::this_thread::yield();
                }
            } else {
                std::this_thread::sleep_for(saveTime * anyMoment(gen) / 100);
            }
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        LoadData(path);
        const int now = whichSet();
        ASSERT_GE(now, 0) << "a mixture of pages after save " << i;
        EXPECT_TRUE(i % 4 != 3 || now != onDisk) << "a whole save replaced the pages";
        onDisk = now;
        ASSERT_EQ(Names(dir.Path()), names) << "after save " << i;
    }
}

} // namespace
} // namespace vireon
