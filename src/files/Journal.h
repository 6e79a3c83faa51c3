#pragma once
// The recovery journal: every logged row also goes, as it is taken, to an append-only file in
// the per-user data folder, so that a crash, a kill or a power cut costs at most the last
// second of a survey. The next start reads it back and offers the rows again.

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vireon {

inline constexpr std::string_view kJournalFileName = "recovery.journal";

// What the log looked like when the journal was started.
struct JournalHeader {
    std::string StartDate; // YYYY-MM-DD
    std::string StartTime; // HH:MM:SS
    int16_t LogColumnMode = 1;
    std::string LogUnits;
    std::string GraphScale;
};

class JournalWriter {
public:
    JournalWriter() = default;
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    // Starts a journal at path, replacing any there. False (with Error()) when it cannot.
    bool Start(const std::filesystem::path& path, const JournalHeader& header);
    bool Active() const { return file_ != nullptr; }
    // One row of `values` value columns (1, 2 or 4) after the time; handed to the system at
    // once, so a killed program loses nothing that was appended.
    void Append(const std::array<float, 5>& row, int values);
    // The log's peaks, written with the next Sync when they changed.
    void Peaks(const std::array<float, 4>& peaks);
    // Puts everything on the disk (at least once a second while logging).
    void Sync();
    // Syncs and closes; the file stays.
    void Close();
    // Closes and deletes the file.
    void Remove();
    const std::string& Error() const { return error_; }
    const std::filesystem::path& Path() const { return path_; }

private:
    void Put(std::string_view text);

    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    std::array<float, 4> peaks_{};
    bool peaksDirty_ = false;
    std::string line_;
    std::string error_;
};

struct JournalContent {
    bool Ok = false; // a journal header was found
    JournalHeader Header;
    std::array<float, 4> LogPeaks{};
    // Rows 1..n of the log at indexes 0..n-1, in column order (time, total, X, Y, Z) or, in
    // column mode 2, (time, total, moving average).
    std::vector<std::array<float, 5>> Rows;
    bool Torn = false; // the last line was cut or unreadable; the rows before it are kept
};

// Reads journal text: the header, then every complete row up to the first that is cut or not
// readable, at most 512000 rows.
JournalContent ParseJournal(std::string_view text);

// Reads the journal file; a missing or unreadable file gives Ok false.
JournalContent ReadJournal(const std::filesystem::path& path);

} // namespace vireon
