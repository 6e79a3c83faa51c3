#pragma once
// A whole survey log as the report reads it: every row of every page of a saved log (the
// reader of File > Open holds one page at a time), with what its header says about the probe
// and the test conditions. A log still in memory becomes one the same way.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/LogFile.h"

namespace vireon {

struct SurveyLog {
    // Time of day (a fraction of a day), total, then X, Y, Z (column mode 1) or the moving
    // average (column mode 2), one row per sample in time order.
    std::vector<std::array<float, 5>> Rows;
    int16_t LogColumnMode = 0;
    std::string LogUnits;
    std::string GraphScale;
    std::string ProbeModel;
    // The test conditions of the header, label and answer, in header order.
    std::vector<std::pair<std::string, std::string>> Notes;
    // When the log was saved (empty for a log never saved).
    std::string SavedDate;
    std::string SavedTime;
    int32_t Pages = 1;
    std::optional<int32_t> DeclaredSamples; // the header's "Samples" line
    int32_t RowsLeftOut = 0;                // unreadable rows the reader skipped
};

// What one page's header says, beyond what LoadData takes from it.
struct LogHeaderFacts {
    int32_t Page = 1;
    int32_t PageCount = 1;
    std::optional<int32_t> Samples;
    std::string Date;
    std::string Time;
    std::string ProbeModel;
    std::vector<std::pair<std::string, std::string>> Notes;
};

// Reads the header lines LoadData keeps ("Header" to "EndHeader"). The notes are the lines
// between "Probe Type" and "Units"; a label the writer guarded with a leading blank gets it
// back off. Lines it does not know are left alone.
LogHeaderFacts ParseLogHeader(const std::vector<std::string>& headerLines);

struct SurveyLogRead {
    bool Ok = false;
    std::string Error; // why not, naming the page that failed
    SurveyLog Log;
    std::filesystem::path FirstPage;  // survey.csv, whichever page was named
    std::vector<std::string> Notices; // what the reader left out, page by page
};

// Reads the log whose page is `anyPage` (survey.csv or survey_2.csv ...) and every other page
// of its set, in order. A page that is missing, unreadable or not part of the same log fails
// the read: a report of part of a log would pass for the whole.
SurveyLogRead ReadSurveyLog(const std::filesystem::path& anyPage);

// The log in memory as a survey log; the probe model and graph scale are the window's.
SurveyLog SurveyLogOf(const LogModel& log, std::string probeModel, std::string graphScale);

// Page 1 of the set a page belongs to: survey_3.csv, page 3, gives survey.csv. Empty when
// the name does not end in "_" + page before its extension.
std::optional<std::filesystem::path> FirstPageOf(const std::filesystem::path& page,
                                                 int32_t pageNumber);

} // namespace vireon
