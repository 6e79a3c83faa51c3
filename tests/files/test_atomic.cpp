// A save that dies or fails half way must leave the previous files as they were.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/ConfigFile.h"
#include "files/HeaderNotes.h"
#include "files/LogFile.h"
#include "files/TempDir.h"

namespace vireon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Saves a two-page log in a child whose files may not grow beyond 64 KiB and returns the
// wait status. With ignoreSignal the write fails with EFBIG and the child exits 10 when that
// was reported with its reason; otherwise the child is killed mid-write.
int SaveInLimitedChild(const std::string& path, bool ignoreSignal) {
    auto log = std::make_unique<LogModel>();
    log->LogColumnMode = 1;
    log->RecordCnt = 40000;
    for (int32_t i = 1; i <= log->RecordCnt; ++i) {
        log->LogData[static_cast<size_t>(i)] = {0.25f, 1.234567f * i, 2.5f, 3.75f, 4.125f};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        if (ignoreSignal) {
            std::signal(SIGXFSZ, SIG_IGN);
        }
        const rlimit lim{64 * 1024, 64 * 1024};
        setrlimit(RLIMIT_FSIZE, &lim);
        const SaveResult r = SaveData(*log, path, SaveStamp{});
        _exit(!r.Ok && r.Error.find("File too large") != std::string::npos ? 10 : 11);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST(TornWrite, AKilledOrFailedWriteLeavesTheOldPagesAndNoTrace) {
    for (const bool ignoreSignal : {false, true}) {
        TempDir dir;
        WriteFile(dir / "survey.csv", "old page one\r\n");
        WriteFile(dir / "survey_2.csv", "old page two\r\n");
        const int status = SaveInLimitedChild(dir / "survey.csv", ignoreSignal);
        if (ignoreSignal) {
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 10) << "the failure was not reported with its reason";
            EXPECT_EQ(dir.Entries(), 2) << "a temporary file was left behind";
        } else {
            ASSERT_TRUE(WIFSIGNALED(status));
            EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
        }
        EXPECT_EQ(ReadFile(dir / "survey.csv"), "old page one\r\n");
        EXPECT_EQ(ReadFile(dir / "survey_2.csv"), "old page two\r\n");
    }
}

TEST(AtomicWrite, ReplacesAnExistingFileOrSaysWhyNot) {
    TempDir dir;
    WriteFile(dir / "a.txt", "old contents that are longer");
    ASSERT_TRUE(WriteFileAtomically(dir / "a.txt", "new").Ok);
    EXPECT_EQ(ReadFile(dir / "a.txt"), "new");
    std::filesystem::create_directories(dir.Path() / "VireonII.cfg" / "x");
    const WriteResult r = SaveCfg(dir.Path() / "VireonII.cfg", CfgSettings{});
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Error.find("could not replace the old file"), std::string::npos) << r.Error;
    EXPECT_EQ(dir.Entries(), 2);
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

} // namespace
} // namespace vireon
