#pragma once
// A fresh folder per test, removed afterwards; never the user's own files.

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "files/LogFile.h"

namespace vireon::testing {

class TempDir {
public:
    TempDir() {
        static std::atomic<int> n{0};
        const char* base = std::getenv("VIREON_TEST_TMP");
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = (base != nullptr ? std::filesystem::path(base)
                                 : std::filesystem::temp_directory_path()) /
                ("vireon-files-" + std::to_string(stamp) + "-" + std::to_string(n++));
        std::filesystem::create_directories(path_);
    }
    TempDir(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    auto Entries() const {
        return std::distance(std::filesystem::directory_iterator(path_),
                             std::filesystem::directory_iterator{});
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary | std::ios::ate);
    std::string bytes(in ? static_cast<size_t>(in.tellg()) : 0, '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// The names of what a folder holds.
inline std::set<std::filesystem::path> Names(const std::filesystem::path& folder) {
    std::set<std::filesystem::path> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.insert(e.path().filename());
    }
    return names;
}

// A log whose row i reads i.
inline std::unique_ptr<LogModel> Counting(int32_t rows) {
    auto log = std::make_unique<LogModel>();
    log->RecordCnt = rows;
    for (int32_t i = 1; i <= rows; ++i) {
        log->LogData[static_cast<size_t>(i)] = {0.5f, static_cast<float>(i), 0, 0, 0};
    }
    return log;
}

// The text with every CR LF ended CR CR LF instead, as a second text-mode conversion leaves it.
inline std::string DoubleCr(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n' && !out.empty() && out.back() == '\r') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

} // namespace vireon::testing
