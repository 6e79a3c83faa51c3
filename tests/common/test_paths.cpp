#include "common/paths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using vireon::BesideProgram;
using vireon::testing::Names;
using vireon::testing::TempDir;

// A folder that is not there stands for one the user may not write to (as root every folder
// that is there is writable).
TEST(BesideProgram, TheProgramFolderWhenTheUserMayWriteThereElseThePerUserOne) {
    TempDir program;
    const std::filesystem::path user = program.Path() / "user";
    EXPECT_EQ(BesideProgram(program.Path(), user), program.Path());
    EXPECT_TRUE(Names(program.Path()).empty()) << "the trial leaves nothing behind";
    EXPECT_EQ(BesideProgram(program.Path() / "gone", user), user);
    EXPECT_TRUE(std::filesystem::is_directory(user));
}

} // namespace
