#pragma once
// A fresh folder per test, removed afterwards; never the user's own files.

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vireon::testing {

class TempDir {
public:
    TempDir() {
        static std::atomic<int> n{0};
        const char* base = std::getenv("VIREON_TEST_TMP");
        std::filesystem::path root =
            base != nullptr ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
#ifdef _WIN32
        const long pid = 0;
#else
        const long pid = static_cast<long>(getpid());
#endif
        path_ = root / ("vireon-files-" + std::to_string(pid) + "-" + std::to_string(n++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const {
        return path_;
    }
    std::string operator/(const std::string& name) const {
        return (path_ / name).string();
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

inline int CountEntries(const std::filesystem::path& dir) {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) {
        ++n;
    }
    return n;
}

} // namespace vireon::testing
