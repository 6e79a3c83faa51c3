// Linked into every native test program: before anything reads them, HOME and the XDG folders
// point at a folder of the program's own in the build tree, so no test can reach the user's
// files, however it is started.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const bool kIsolated = [] {
    const std::string home = VIREON_TEST_HOME;
    const std::pair<const char*, std::string> folders[] = {
        {"HOME", home},
        {"XDG_CONFIG_HOME", home + "/.config"},
        {"XDG_DATA_HOME", home + "/.local/share"},
        {"XDG_CACHE_HOME", home + "/.cache"},
    };
    for (const auto& [name, path] : folders) {
        std::error_code ignored;
        std::filesystem::create_directories(path, ignored);
        ::setenv(name, path.c_str(), 1);
    }
    ::setenv("VIREON_TEST_TMP", VIREON_TEST_TMP, 0);
    return true;
}();

} // namespace
