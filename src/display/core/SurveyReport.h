#pragma once
// The survey report: what a client reads about one log - a heading, the test conditions, the
// probe, the record, the statistics, the moving average and the alarm, and the whole log as a
// time graph with the peaks as a bar graph. Gathered and worded here, without Qt; a
// ReportPrinter lays it out as a PDF. File > Report... (ReportControl) and `vireon2 --report`
// (ReportFromFile) both come here.
//
// Figures the log does not hold (the alarm level, the averaging window when the log does not
// show it) come from what the program knows - the window's settings or the configuration file
// - and the report says so beside them. Texts are Windows-1252.

#include "files/LogStatistics.h"
#include "files/SurveyLog.h"
#include "files/TextFile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vireon {

struct ReportField {
    std::string Label;
    std::string Value;
    bool operator==(const ReportField&) const = default;
};

struct ReportSection {
    std::string Title; // empty for the heading
    std::vector<ReportField> Fields;
    // A table in place of fields: the column titles, then one row of cells per line.
    std::vector<std::vector<std::string>> Table;
};

// Rows the time graph is given at most: a longer log is drawn as the lowest and the highest
// value of each column over equal runs of samples, so that no peak is lost.
inline constexpr size_t kReportGraphRows = 8000;

struct ReportGraphs {
    // Time of day, total, then the columns of the mode, in time order.
    std::vector<std::array<float, 5>> Rows;
    int32_t SamplesPerRun = 1; // samples behind each pair of rows (1: every sample drawn)
    int16_t LogColumnMode = 0;
    std::string Scale;     // a row of the scale table
    std::string ScaleNote; // why that scale, when the log did not name it
    std::string Units;
    bool HorizontalLines = true;
    std::optional<float> AlarmLevel; // drawn across the time graph
    // Legend of traces 2, 3, ...: "Total", then "X", "Y", "Z" or "Moving average".
    std::vector<std::string> TraceNames;
    // The bar graph: each bar's mean, then its peak (total, X, Y, Z; BarCount of them).
    std::array<float, 4> Means{};
    std::array<float, 4> Peaks{};
    int BarCount = 1;
};

struct SurveyReport {
    std::string Title;
    std::vector<ReportSection> Sections; // in page order; the first is the heading
    ReportGraphs Graphs;
    std::string GraphTitle;
};

// What the program knows beyond the log.
struct ReportContext {
    std::string ReportDate;
    std::filesystem::path LogFile; // page 1 of the log; empty for a log never saved
    std::string SerialNo;          // of the probe that took the log, where known
    std::string CalDate;
    bool AlarmEnabled = false;
    float AlarmLevel = 0;
    std::string AlarmUnits;           // the unit the level is in, as the units label shows it
    std::string AverageWindowSetting; // "6 Minute"
    std::string SettingsSource;       // "set in the program", "from the configuration file"
    bool HorizontalLines = true;
};

SurveyReport BuildSurveyReport(const SurveyLog& log, const ReportContext& context);

// Lays a report out as a PDF.
class ReportPrinter {
public:
    virtual ~ReportPrinter() = default;
    // The PDF's bytes; empty, with *error saying why, when it cannot be made.
    virtual std::optional<std::string> Print(const SurveyReport& report, std::string* error) = 0;
};

// Prints the report and writes it through a temporary file; a failure leaves any old file
// as it was and says why.
WriteResult WriteSurveyReport(const SurveyReport& report, const std::filesystem::path& pdf,
                              ReportPrinter& printer);

// The log's name with ".pdf".
std::filesystem::path DefaultReportPath(const std::filesystem::path& log);

// The current local date and time by a strftime format.
std::string LocalTimeText(const char* format);

struct ReportRun {
    int ExitCode = 0;                  // 0 written, 1 the log could not be read or the PDF written
    std::filesystem::path Written;     // the PDF, when written
    std::vector<std::string> Messages; // what went wrong, or what was left out on the way
};

// `vireon2 --report LOG [PDF]`: the report of a saved log (every page of its set), the
// alarm and averaging settings taken from the configuration in programFolder.
ReportRun ReportFromFile(const std::filesystem::path& log, std::optional<std::filesystem::path> pdf,
                         const std::filesystem::path& programFolder, ReportPrinter& printer);

} // namespace vireon
