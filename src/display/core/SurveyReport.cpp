#include "display/core/SurveyReport.h"

#include "common/numfmt.h"
#include "common/version.h"
#include "display/core/MovingAverage.h"
#include "display/core/Readouts.h"
#include "display/core/Recorder.h"
#include "files/ConfigFile.h"
#include "graph/GraphScales.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <tuple>

namespace vireon {

namespace {

std::string TwoDigits(int64_t v) {
    return FormatNumber(static_cast<double>(v), "00");
}

// A time of day from the report's clock (seconds from midnight of the log's first day), with
// the day when the log has passed midnight.
std::string TimeText(int64_t at) {
    const int64_t day = at / kSecondsPerDay;
    const int64_t s = at - day * kSecondsPerDay;
    std::string text =
        TwoDigits(s / 3600) + ":" + TwoDigits(s % 3600 / 60) + ":" + TwoDigits(s % 60);
    if (day == 1) {
        text += " (next day)";
    } else if (day > 1) {
        text += " (day " + std::to_string(day + 1) + ")";
    }
    return text;
}

// Hours (as many digits as they take), minutes and seconds.
std::string DurationText(int64_t seconds) {
    return std::to_string(seconds / 3600) + ":" + TwoDigits(seconds % 3600 / 60) + ":" +
           TwoDigits(seconds % 60);
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The scale the log names; for "Auto" (which follows the probe's range on the screen), or a
// name in no row, the smallest linear scale that holds the highest reading.
std::pair<std::string, std::string> ReportScale(const std::string& named, float highest) {
    if (named != "Auto" && FindGraphScale(named) != nullptr) {
        return {named, ""};
    }
    std::vector<const GraphScaleRow*> fitting;
    for (const GraphScaleRow& row : GraphScaleTable()) {
        if (!row.logarithmic && row.noVerDiv == 10 && row.hasBar && row.name != "Auto") {
            fitting.push_back(&row);
        }
    }
    std::sort(fitting.begin(), fitting.end(), [](const GraphScaleRow* a, const GraphScaleRow* b) {
        return a->verUnitsOffset < b->verUnitsOffset;
    });
    const auto holds = std::find_if(fitting.begin(), fitting.end(), [highest](const auto* row) {
        return 2 * row->verUnitsOffset >= highest;
    });
    const GraphScaleRow* chosen = holds != fitting.end() ? *holds : fitting.back();
    return {std::string(chosen->name),
            "chosen to hold the highest reading; the log names " +
                (named.empty() ? std::string("no scale") : Quoted(named))};
}

// The rows the time graph draws: every sample of a short log; of a long one, per run of
// samples the lowest value of each column (at the run's first time) and the highest (at its
// last). Values that are no numbers are drawn as 0.
void GraphRows(const SurveyLog& log, ReportGraphs& g) {
    const size_t n = log.Rows.size();
    const auto columns = static_cast<size_t>(ValueCount(log.LogColumnMode));
    const size_t run =
        n <= kReportGraphRows ? 1 : (n + kReportGraphRows / 2 - 1) / (kReportGraphRows / 2);
    g.SamplesPerRun = static_cast<int32_t>(run);
    for (size_t i = 0; i < n; i += run) {
        const size_t end = std::min(n, i + run);
        std::array<float, 5> low = log.Rows[i];
        std::array<float, 5> high = log.Rows[end - 1];
        for (size_t c = 1; c <= columns; ++c) {
            float lo = std::numeric_limits<float>::infinity();
            float hi = -lo;
            for (size_t k = i; k < end; ++k) {
                const float v = log.Rows[k][c];
                if (std::isfinite(v)) {
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
            }
            low[c] = std::isfinite(lo) ? lo : 0.0F;
            high[c] = std::isfinite(hi) ? hi : 0.0F;
        }
        g.Rows.push_back(low);
        if (run > 1) {
            g.Rows.push_back(high);
        }
    }
}

constexpr const char* kNotInLog = "; the log does not record it)";

std::string Known(const std::string& text) {
    return text.empty() ? "Not recorded" : text;
}

std::vector<std::string> TraceNames(int16_t mode) {
    if (mode == 1) {
        return {"Total", "X", "Y", "Z"};
    }
    return mode == 2 ? std::vector<std::string>{"Total", "Moving average"}
                     : std::vector<std::string>{"Total"};
}

ReportSection HeadingSection(const SurveyLog& log, const ReportContext& ctx) {
    std::string file = "Not saved";
    if (!ctx.LogFile.empty()) {
        file = TextOfPath(ctx.LogFile);
        if (log.Pages > 1) {
            file += " (" + std::to_string(log.Pages) + " pages)";
        }
    }
    ReportSection heading{"",
                          {{"Program", "Vireon II " + VersionText()},
                           {"Report made", ctx.ReportDate},
                           {"Log file", file}},
                          {}};
    if (!log.SavedDate.empty() || !log.SavedTime.empty()) {
        heading.Fields.push_back({"Log saved", log.SavedDate + " " + log.SavedTime});
    }
    return heading;
}

ReportSection NotesSection(const SurveyLog& log) {
    ReportSection notes{"Test conditions", {}, {}};
    for (const auto& [label, answer] : log.Notes) {
        notes.Fields.push_back({label, answer});
    }
    if (notes.Fields.empty()) {
        notes.Fields.push_back({"", "None recorded"});
    }
    return notes;
}

ReportSection ProbeSection(const SurveyLog& log, const ReportContext& ctx) {
    ReportSection probe{"Probe", {{"Model", Known(log.ProbeModel)}}, {}};
    if (!ctx.SerialNo.empty()) {
        probe.Fields.push_back({"Serial number", ctx.SerialNo});
    }
    if (!ctx.CalDate.empty()) {
        probe.Fields.push_back({"Calibration date", ctx.CalDate});
    }
    probe.Fields.push_back({"Units", Known(log.LogUnits)});
    return probe;
}

ReportSection RecordSection(const SurveyLog& log, const LogStatistics& st) {
    ReportSection record{"Record", {}, {}};
    if (st.Samples == 0) {
        record.Fields.push_back({"Samples", "0 (the log holds no readings)"});
    } else {
        const std::string rate =
            st.SampleRate
                ? GeneralNumber(static_cast<float>(Near(*st.SampleRate * 100.0) / 100.0)) +
                      " per second (samples over the duration)"
                : "Not known (every sample in the same second)";
        record.Fields = {{"Start", TimeText(st.Start)},
                         {"End", TimeText(st.End)},
                         {"Duration", DurationText(st.Duration())},
                         {"Samples", Thousands(st.Samples)},
                         {"Sample rate", rate}};
    }
    if (log.RowsLeftOut > 0) {
        record.Fields.push_back(
            {"Rows left out", Thousands(log.RowsLeftOut) + " unreadable rows of the file"});
    }
    if (log.DeclaredSamples && *log.DeclaredSamples != st.Samples + log.RowsLeftOut) {
        record.Fields.push_back({"Samples in the header", Thousands(*log.DeclaredSamples)});
    }
    return record;
}

ReportSection StatisticsSection(const SurveyLog& log, const LogStatistics& st) {
    const bool mw = log.LogUnits == Readouts::UnitsCaption("mW/cm2");
    // In the readouts' format, unless that would take more room than any reading does.
    const auto value = [mw](double v) {
        const std::string text = Readouts::PeakText(v, mw);
        return text.size() <= 12 ? text : GeneralNumber(static_cast<float>(v));
    };
    ReportSection stats{
        "Statistics" + (log.LogUnits.empty() ? "" : " (" + log.LogUnits + ")"), {}, {}};
    if (st.Samples == 0) {
        stats.Fields.push_back({"", "No readings"});
        return stats;
    }
    const std::vector<std::string> names = TraceNames(log.LogColumnMode);
    stats.Table.push_back({"", "Minimum", "Maximum", "Mean", "Time of maximum"});
    for (size_t c = 0; c < (log.LogColumnMode == 1 ? 4U : 1U); ++c) {
        const ColumnStatistics& col = st.Columns[c];
        if (col.Count == 0) {
            stats.Table.push_back({names[c], "-", "-", "-", "-"});
        } else {
            stats.Table.push_back(
                {names[c], value(col.Min), value(col.Max), value(col.Mean), TimeText(col.MaxAt)});
        }
    }
    return stats;
}

ReportSection AverageSection(const SurveyLog& log, const LogStatistics& st,
                             const ReportContext& ctx) {
    const ColumnStatistics& ma = st.Columns[1];
    std::string window = ctx.AverageWindowSetting + " (" + ctx.SettingsSource + kNotInLog;
    if (st.AverageWindow) {
        const auto text = MovingAverage::AverText(*st.AverageWindow);
        window = (text ? std::string(*text) : std::to_string(*st.AverageWindow) + " seconds") +
                 " (shown by the first averages of the log)";
    }
    const std::string units = log.LogUnits.empty() ? "" : " " + log.LogUnits;
    return {"Moving average",
            {{"Highest", MovingAverage::ExposureText(ma.Max) + units + " at " + TimeText(ma.MaxAt)},
             {"Window", window}},
            {}};
}

ReportSection AlarmSection(const SurveyLog& log, const LogStatistics& st,
                           const ReportContext& ctx) {
    std::string above =
        "Not given: the level is in " + ctx.AlarmUnits + ", the log in " + Known(log.LogUnits);
    if (st.SecondsAbove) {
        // The record spans its whole seconds, the first and the last included.
        const double span = static_cast<double>(st.Samples == 0 ? 0 : st.Duration() + 1);
        above = DurationText(static_cast<int64_t>(Near(*st.SecondsAbove)));
        if (span > 0) {
            above +=
                " (" + FormatNumber(*st.SecondsAbove / span * 100.0, "0.0") + " % of the record)";
        }
    }
    return {"Alarm",
            {{"Level", GeneralNumber(ctx.AlarmLevel) + " " + ctx.AlarmUnits + " (" +
                           ctx.SettingsSource + kNotInLog},
             {"Time above the level", above}},
            {}};
}

ReportGraphs Graphs(const SurveyLog& log, const LogStatistics& st, const ReportContext& ctx,
                    bool levelFits) {
    ReportGraphs g;
    g.LogColumnMode = log.LogColumnMode;
    g.Units = log.LogUnits;
    g.HorizontalLines = ctx.HorizontalLines;
    g.TraceNames = TraceNames(log.LogColumnMode);
    GraphRows(log, g);
    float highest = 0;
    for (const ColumnStatistics& c : st.Columns) {
        if (c.Count > 0) {
            highest = std::max(highest, c.Max);
        }
    }
    std::tie(g.Scale, g.ScaleNote) = ReportScale(log.GraphScale, highest);
    if (ctx.AlarmEnabled && levelFits) {
        g.AlarmLevel = ctx.AlarmLevel;
    }
    g.BarCount = log.LogColumnMode == 1 ? 4 : 1;
    for (size_t c = 0; c < static_cast<size_t>(g.BarCount) && c < st.Columns.size(); ++c) {
        g.Means[c] = static_cast<float>(st.Columns[c].Mean);
        g.Peaks[c] = st.Columns[c].Max;
    }
    return g;
}

} // namespace

std::string LocalTimeText(const char* format) {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    char buf[64];
    const size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return std::string(buf, n);
}

std::filesystem::path DefaultReportPath(const std::filesystem::path& log) {
    std::filesystem::path pdf = log;
    return pdf.replace_extension(".pdf");
}

SurveyReport BuildSurveyReport(const SurveyLog& log, const ReportContext& ctx) {
    const bool levelFits = ctx.AlarmUnits == log.LogUnits;
    const LogStatistics st = ComputeLogStatistics(
        log.Rows, log.LogColumnMode,
        ctx.AlarmEnabled && levelFits ? std::optional(ctx.AlarmLevel) : std::nullopt);
    SurveyReport r;
    r.Title = "Survey report";
    r.Sections = {HeadingSection(log, ctx), NotesSection(log), ProbeSection(log, ctx),
                  RecordSection(log, st), StatisticsSection(log, st)};
    if (log.LogColumnMode == 2 && st.Columns[1].Count > 0) {
        r.Sections.push_back(AverageSection(log, st, ctx));
    }
    if (ctx.AlarmEnabled) {
        r.Sections.push_back(AlarmSection(log, st, ctx));
    }
    r.Graphs = Graphs(log, st, ctx, levelFits);
    r.GraphTitle = "The whole log";
    if (r.Graphs.SamplesPerRun > 1) {
        r.GraphTitle += ", each step the lowest and highest of " +
                        Thousands(r.Graphs.SamplesPerRun) + " samples";
    }
    return r;
}

WriteResult WriteSurveyReport(const SurveyReport& report, const std::filesystem::path& pdf,
                              ReportPrinter& printer) {
    std::string error;
    const std::optional<std::string> bytes = printer.Print(report, &error);
    if (!bytes) {
        return WriteResult{false, "The report could not be drawn: " + error};
    }
    return WriteFileAtomically(pdf, *bytes);
}

ReportRun ReportFromFile(const std::filesystem::path& log, std::optional<std::filesystem::path> pdf,
                         const std::filesystem::path& programFolder, ReportPrinter& printer) {
    ReportRun run;
    SurveyLogRead read = ReadSurveyLog(log);
    if (!read.Ok) {
        run.ExitCode = 1;
        run.Messages.push_back(read.Error);
        return run;
    }
    CfgSettings cfg;
    const CfgLoadResult loaded =
        LoadCfg(programFolder / std::string(kCfgFileName), cfg, TextOfPath(programFolder));
    ReportContext ctx;
    ctx.ReportDate = LocalTimeText("%Y-%m-%d %H:%M");
    ctx.LogFile = read.FirstPage;
    ctx.AlarmEnabled = cfg.AlarmEnable != 0;
    ctx.AlarmLevel = cfg.AlarmValue;
    ctx.AlarmUnits = Readouts::UnitsCaption(cfg.ProbeUnits);
    ctx.AverageWindowSetting = cfg.MinAverText;
    ctx.SettingsSource =
        loaded.Missing ? "the program's default setting" : "from the configuration file";
    ctx.HorizontalLines = cfg.DisplayHorLinesFlag == 1;
    const std::filesystem::path out = pdf.value_or(DefaultReportPath(read.FirstPage));
    const WriteResult w = WriteSurveyReport(BuildSurveyReport(read.Log, ctx), out, printer);
    run.Messages = std::move(read.Notices);
    if (!w.Ok) {
        run.ExitCode = 1;
        run.Messages.push_back(w.Error);
        return run;
    }
    run.Written = out;
    return run;
}

} // namespace vireon
