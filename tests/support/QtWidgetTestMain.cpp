// Entry point of the widget tests: a QApplication on the offscreen platform, with a home folder
// of its own per process so that no window touches the user's settings or another test's.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

int main(int argc, char** argv) {
    const std::string home = testing::TempDir() + "widget-home-" + std::to_string(getpid());
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int rc = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    std::filesystem::remove_all(home);
    return rc;
}
