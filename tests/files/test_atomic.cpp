// A save that dies or fails half way must leave the previous files as they were.
#include <gtest/gtest.h>

#include <memory>

#include "files/ConfigFile.h"
#include "files/LogFile.h"
#include "files/TempDir.h"

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vireon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

#ifndef _WIN32

std::unique_ptr<LogModel> LongLog() {
    auto log = std::make_unique<LogModel>();
    log->LogColumnMode = 1;
    log->LogUnits = "V/m";
    log->RecordCnt = 40000; // two pages of about 1.5 MB and 0.4 MB
    for (int32_t i = 1; i <= log->RecordCnt; ++i) {
        log->LogData[static_cast<size_t>(i)] = {0.25f, 1.234567f * i, 2.5f, 3.75f, 4.125f};
    }
    return log;
}

// Runs a save in a child whose files may not grow beyond 64 KiB; returns the wait status.
// With ignoreSignal the write fails with EFBIG, otherwise the child is killed mid-write.
int SaveInLimitedChild(const std::string& path, bool ignoreSignal) {
    const auto log = LongLog();
    const pid_t pid = fork();
    if (pid == 0) {
        if (ignoreSignal) {
            std::signal(SIGXFSZ, SIG_IGN);
        }
        rlimit lim{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &lim);
        const SaveResult r = SaveData(*log, path, SaveStamp{"d", "t", "m"});
        const bool reported = !r.Ok && r.Error.find("File too large") != std::string::npos;
        _exit(reported ? 10 : 11);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST(TornWrite, ChildKilledMidWriteLeavesTheOldPagesIntact) {
    TempDir dir;
    WriteFile(dir.Path() / "survey.csv", "old page one\r\n");
    WriteFile(dir.Path() / "survey_2.csv", "old page two\r\n");
    const int status = SaveInLimitedChild(dir / "survey.csv", false);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(ReadFile(dir.Path() / "survey.csv"), "old page one\r\n");
    EXPECT_EQ(ReadFile(dir.Path() / "survey_2.csv"), "old page two\r\n");
}

TEST(TornWrite, FailedWriteIsReportedAndLeavesNoTrace) {
    TempDir dir;
    WriteFile(dir.Path() / "survey.csv", "old page one\r\n");
    const int status = SaveInLimitedChild(dir / "survey.csv", true);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 10) << "the failure was not reported with its reason";
    EXPECT_EQ(ReadFile(dir.Path() / "survey.csv"), "old page one\r\n");
    EXPECT_EQ(testing::CountEntries(dir.Path()), 1) << "a temporary file was left behind";
}

TEST(TornWrite, ConfigurationWriteFailureKeepsTheOldFile) {
    TempDir dir;
    const auto path = dir.Path() / "VireonII.cfg";
    WriteFile(path, "old\r\n");
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{100, 100};
        setrlimit(RLIMIT_FSIZE, &lim);
        const WriteResult r = SaveCfg(path, CfgSettings{});
        _exit(!r.Ok && !r.Error.empty() ? 10 : 11);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 10);
    EXPECT_EQ(ReadFile(path), "old\r\n");
    EXPECT_EQ(testing::CountEntries(dir.Path()), 1);
}

#endif

TEST(AtomicWrite, ReplacesAnExistingFileAndLeavesOnlyIt) {
    TempDir dir;
    const auto path = dir.Path() / "a.txt";
    WriteFile(path, "old contents that are longer");
    const WriteResult r = WriteFileAtomically(path, "new");
    ASSERT_TRUE(r.Ok) << r.Error;
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(testing::CountEntries(dir.Path()), 1);
}

TEST(AtomicWrite, AFolderInTheWayIsReported) {
    TempDir dir;
    std::filesystem::create_directories(dir.Path() / "VireonII.cfg" / "x");
    const WriteResult r = SaveCfg(dir.Path() / "VireonII.cfg", CfgSettings{});
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Error.find("could not replace the old file"), std::string::npos) << r.Error;
    EXPECT_EQ(testing::CountEntries(dir.Path()), 1);
}

} // namespace
} // namespace vireon
