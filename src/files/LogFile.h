#pragma once
// Log files: comma-separated text with a "Header" ... "EndHeader" block, written from the
// in-memory log in pages of at most 32000 rows and read back one page at a time.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/HeaderNotes.h"

namespace vireon {

inline constexpr int32_t kLogMaxRows = 512000; // rows the in-memory log holds
inline constexpr int32_t kPageRows = 32000;    // rows per page file and in the reader's table
inline constexpr int16_t kMaxValueColumns = 4; // value columns the reader's table holds

inline constexpr std::string_view kFormatTimeStrError = "Error in FormatTimeStr";

// Given to a name that has no extension of its own.
inline constexpr std::string_view kLogExtension = "csv";

// The in-memory log, filled while logging and written by SaveData.
struct LogModel {
    LogModel() : LogData(static_cast<size_t>(kLogMaxRows) + 1) {}

    // Rows 0..512000 of (time as a day fraction, total, X, Y, Z) or, in column mode 2,
    // (time, total, moving average). Row 0 is never written; rows 1..RecordCnt are samples.
    std::vector<std::array<float, 5>> LogData;
    int32_t RecordCnt = 0;
    int16_t LogColumnMode = 0;       // 0 total only, 1 total and axes, 2 total and moving average
    std::array<float, 4> LogPeaks{}; // total, X, Y, Z
    std::string LogUnits;
    std::string GraphScale;
    HeaderNoteTable HeaderNotes;
};

// Value columns after the time in a column mode: 1 (total), 4 (total, X, Y, Z) or 2 (total,
// moving average).
int ValueCount(int16_t columnMode);

// Rows 1..n of the log that hold samples: RecordCnt, within the table.
int32_t HeldRows(const LogModel& log);

// What the header takes from the window at save time: the date and time in the user's short
// formats and the probe object's model text.
struct SaveStamp {
    std::string Date;
    std::string Time;
    std::string ProbeModel;
};

struct SaveResult {
    bool Ok = false;
    std::string Error;                        // why the save failed; no page is then half written
    std::vector<std::filesystem::path> Pages; // paths written, page 1 first
    std::string Status;                       // "Saved n data points." for the status bar
    std::vector<std::string> Messages;        // information boxes to show, each once
};

// What a save of recordCnt rows under the chosen name writes, replaces and removes.
struct SavePlan {
    std::vector<std::filesystem::path> Pages;    // written, page 1 first
    std::vector<std::filesystem::path> Replaced; // those of Pages that are there now
    // Later pages of an earlier, longer log of this name: the reader would take them for part
    // of the new one. Only a file whose header marks it as that page of a set is one.
    std::vector<std::filesystem::path> Removed;
    // Anything else where such a page would be (a log of its own, another file, a folder):
    // never removed, so the save cannot go ahead.
    std::vector<std::filesystem::path> InTheWay;
    std::string Error; // why the save cannot go ahead, when it cannot
};

// Plans a save, after finishing a save into the folder that was cut short.
SavePlan PlanSave(const std::filesystem::path& chosen, int32_t recordCnt);

// Writes the whole log to the pages of PlanSave and removes the stale pages it found. Every
// page is written to a temporary file first and the pages replace their old files only when
// all were written, so a failure leaves the old files as they were. With agreed (the plan the
// user was asked about), a file that plan did not name is neither replaced nor removed: the
// save stops before writing anything.
SaveResult SaveData(const LogModel& log, const std::filesystem::path& path, const SaveStamp& stamp,
                    const SavePlan* agreed = nullptr);

// The text of page `page` (1-based) of `pageCount`, as SaveData writes it under fileName.
// Sets *timeError when a time text came out malformed (hours of 100 or more).
std::string LogPageText(const LogModel& log, int32_t page, int32_t pageCount,
                        std::string_view fileName, const SaveStamp& stamp,
                        bool* timeError = nullptr);

// Number of page files for a log of recordCnt rows (1 for an empty log).
int32_t PageCount(int32_t recordCnt);

// Path of page `page` for the chosen path. The extension - the last "." of the file name and
// at most three characters after it - stays at the end, and pages 2 on get "_" + page before
// it ("run.data": "run.dat", "run_2.dat"). What follows the last "." is an extension only when
// it is one to four letters and digits, one of them a letter; any other name ("survey",
// "survey 12.06.2026") is kept whole and gets ".csv". A dot in a folder name is not an
// extension.
std::filesystem::path PagePath(const std::filesystem::path& chosen, int32_t page);

// A note label as written into the header, and back: a label the reader would take for one of
// its own lines ("Units ...") is written with a leading blank.
std::string HeaderNoteLabel(std::string_view label);
std::string_view UnguardedNoteLabel(std::string_view headerLabel);

// Part 1: the folder before the last "\" or "/" (empty when there is none); any other part:
// the file name after it.
std::string ParsePathFile(std::string_view path, int16_t part);

// A day fraction as HH:MM:SS (to the nearest second, halves to even). Hours of 100 or more
// give a longer text; then *message is set to "Error in FormatTimeStr", which the caller shows.
std::string FormatTimeStr(float t, std::string* message = nullptr);

// HH:MM:SS back to a day fraction; parts that are not numbers read as 0.
float UnFormatTime(std::string_view text);

struct LoadResult {
    // False when the file could not be read or holds no readable row (a saved empty log, with
    // its header and no rows, is read); Error then says why.
    bool Ok = false;
    std::string Error;
    bool Unreadable = false; // the file itself could not be read; Error names it
    bool HasHeader = false;
    std::vector<std::string> HeaderLines;  // for the header list, "Header" to "EndHeader"
    std::optional<std::string> GraphScale; // from the "GraphScale" header line, if any
    std::optional<std::string> LogUnits;   // from the "Units" header line, if any
    // From the header's first "Page" line, "Page,p of n", when it has a sound one; else 0.
    int32_t Page = 0;
    int32_t Pages = 0;
    int16_t ValueColumns = 0; // value columns read (at most 4)
    int32_t RecordCnt = 0;    // rows read
    // Rows 0..RecordCnt (never more than 32000) of columns 0..5: column 1 the time, columns
    // 2.. the values in file order; row 0, column 0 and the columns not read stay 0.
    std::vector<std::array<float, 6>> Table;
    std::string LoadedFileTag; // "    (" + file name + ")"
    int32_t StoppedAtLine = 0; // line of a malformed row that ended the read, else 0
    // Rows whose time is not HH:MM:SS or whose values are not numbers within the single range:
    // left out of Table (never NaN or infinity there) and told once in Notices.
    int32_t RowsLeftOut = 0;
    int32_t FirstLeftOutLine = 0;
    // What was left out or read in a way the user should know about, for a message box.
    std::vector<std::string> Notices;
};

// The column mode of a log read back with this many value columns: 1 total only, 2 total and
// moving average, 3 or 4 total and axes.
int16_t ColumnModeOf(int16_t valueColumns);

// Reads one log file, after finishing a save into its folder that was cut short.
LoadResult LoadData(const std::filesystem::path& path);

// Reads log text already in memory; fileName goes into LoadedFileTag.
LoadResult ParseLogText(std::string_view text, std::string_view fileName);

} // namespace vireon
