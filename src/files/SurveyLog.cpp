#include "files/SurveyLog.h"

#include <algorithm>
#include <limits>
#include <tuple>

namespace vireon {

namespace {

// "2 of 3" as (2, 3); empty for anything else.
std::optional<std::pair<int32_t, int32_t>> PageOfCount(std::string_view text) {
    const size_t of = text.find(" of ");
    if (of == std::string_view::npos) {
        return std::nullopt;
    }
    const int32_t most = PageCount(kLogMaxRows);
    const auto page = ParseIntField(text.substr(0, of), 1, most);
    const auto count = ParseIntField(text.substr(of + 4), 1, most);
    if (!page || !count) {
        return std::nullopt;
    }
    return std::pair{*page, *count};
}

std::string Quoted(const std::filesystem::path& p) {
    return "\"" + TextOfPath(p) + "\"";
}

} // namespace

LogHeaderFacts ParseLogHeader(const std::vector<std::string>& headerLines) {
    LogHeaderFacts f;
    bool inNotes = false;
    for (const std::string& line : headerLines) {
        const size_t comma = line.find(',');
        const std::string_view key = std::string_view(line).substr(0, comma);
        const std::string_view value = comma == std::string::npos
                                           ? std::string_view()
                                           : std::string_view(line).substr(comma + 1);
        if (StartsWithNoCase(line, "EndHeader") || (inNotes && StartsWithNoCase(line, "Units"))) {
            break;
        }
        if (inNotes) {
            if (comma != std::string::npos) {
                f.Notes.emplace_back(std::string(UnguardedNoteLabel(key)), std::string(value));
            }
        } else if (EqualsNoCase(key, "Probe Type")) {
            f.ProbeModel = std::string(value);
            inNotes = true;
        } else if (EqualsNoCase(key, "Page")) {
            if (const auto p = PageOfCount(value)) {
                std::tie(f.Page, f.PageCount) = *p;
            }
        } else if (EqualsNoCase(key, "Samples")) {
            f.Samples = ParseIntField(value, 0, std::numeric_limits<int32_t>::max());
        } else if (EqualsNoCase(key, "Date")) {
            f.Date = std::string(value);
        } else if (EqualsNoCase(key, "Time")) {
            f.Time = std::string(value);
        }
    }
    return f;
}

std::optional<std::filesystem::path> FirstPageOf(const std::filesystem::path& page,
                                                 int32_t pageNumber) {
    if (pageNumber == 1) {
        return page;
    }
    using Native = std::filesystem::path::string_type;
    const Native name = page.filename().native();
    const size_t dot = name.rfind('.');
    const Native stem = name.substr(0, dot);
    const Native suffix = std::filesystem::path("_" + std::to_string(pageNumber)).native();
    if (stem.size() <= suffix.size() || !stem.ends_with(suffix)) {
        return std::nullopt;
    }
    Native first = stem.substr(0, stem.size() - suffix.size());
    if (dot != Native::npos) {
        first += name.substr(dot);
    }
    return page.parent_path() / first;
}

SurveyLogRead ReadSurveyLog(const std::filesystem::path& anyPage) {
    SurveyLogRead out;
    const auto fail = [&out](std::string why) {
        out.Error = std::move(why);
        out.Log.Rows.clear();
        return std::move(out);
    };
    LoadResult named = LoadData(anyPage);
    if (!named.Ok) {
        return fail(named.Unreadable
                        ? named.Error
                        : Quoted(anyPage) + " is not a log that can be read: " + named.Error);
    }
    const LogHeaderFacts namedFacts = ParseLogHeader(named.HeaderLines);
    const int32_t count = namedFacts.PageCount;
    const std::string pageText =
        "page " + std::to_string(namedFacts.Page) + " of " + std::to_string(count);
    if (namedFacts.Page > count) {
        return fail(Quoted(anyPage) + " says it is " + pageText + ".");
    }
    const auto first = FirstPageOf(anyPage, namedFacts.Page);
    if (!first) {
        return fail(Quoted(anyPage) + " says it is " + pageText +
                    ", but its name does not end in _" + std::to_string(namedFacts.Page) + ".");
    }
    out.FirstPage = *first;
    SurveyLog& log = out.Log;
    log.Pages = count;
    for (int32_t p = 1; p <= count; ++p) {
        const std::filesystem::path path = PagePath(*first, p);
        const std::string which = "Page " + std::to_string(p) + " of " + std::to_string(count) +
                                  " (" + Quoted(path) + ")";
        LoadResult r = p == namedFacts.Page ? std::move(named) : LoadData(path);
        if (!r.Ok) {
            return fail(which + " could not be read: " + r.Error);
        }
        const LogHeaderFacts f = ParseLogHeader(r.HeaderLines);
        if (f.Page != p || f.PageCount != count) {
            return fail(which + " belongs to another log: its header says page " +
                        std::to_string(f.Page) + " of " + std::to_string(f.PageCount) + ".");
        }
        if (p == 1) {
            log.LogColumnMode = ColumnModeOf(r.ValueColumns);
            log.LogUnits = r.LogUnits.value_or(std::string());
            log.GraphScale = r.GraphScale.value_or(std::string());
            log.ProbeModel = f.ProbeModel;
            log.Notes = f.Notes;
            log.SavedDate = f.Date;
            log.SavedTime = f.Time;
            log.DeclaredSamples = f.Samples;
        } else if (ColumnModeOf(r.ValueColumns) != log.LogColumnMode) {
            return fail(which + " has other columns than page 1.");
        }
        log.Rows.reserve(log.Rows.size() + static_cast<size_t>(r.RecordCnt));
        for (int32_t row = 1; row <= r.RecordCnt; ++row) {
            const auto& t = r.Table[static_cast<size_t>(row)];
            log.Rows.push_back({t[1], t[2], t[3], t[4], t[5]});
        }
        log.RowsLeftOut += r.RowsLeftOut;
        for (const std::string& n : r.Notices) {
            out.Notices.push_back(count > 1 ? which + ": " + n : n);
        }
    }
    out.Ok = true;
    return out;
}

SurveyLog SurveyLogOf(const LogModel& log, std::string probeModel, std::string graphScale) {
    SurveyLog s;
    const int32_t rows = HeldRows(log);
    s.Rows.assign(log.LogData.begin() + 1, log.LogData.begin() + 1 + rows);
    s.LogColumnMode = log.LogColumnMode;
    s.LogUnits = log.LogUnits;
    s.GraphScale = std::move(graphScale);
    s.ProbeModel = std::move(probeModel);
    const int16_t notes = std::clamp<int16_t>(log.HeaderNotes.Count, 0, HeaderNoteTable::kMaxNotes);
    for (int16_t i = 1; i <= notes; ++i) {
        const HeaderNote& n = log.HeaderNotes.Entry[static_cast<size_t>(i)];
        if (!n.Value.empty()) {
            s.Notes.emplace_back(n.Label, n.Value);
        }
    }
    s.Pages = PageCount(rows);
    return s;
}

} // namespace vireon
