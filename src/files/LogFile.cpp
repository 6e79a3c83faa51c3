#include "files/LogFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/numfmt.h"

namespace vireon {

namespace {

// A page file is about 2 MB; a file far larger is not one, and only its start is read.
constexpr size_t kMaxLogBytes = 64u << 20;

std::string TwoDigits(int64_t v) {
    std::string s = std::to_string(v < 0 ? -v : v);
    if (s.size() < 2) {
        s.insert(0, 1, '0');
    }
    return v < 0 ? "-" + s : s;
}

size_t LastSeparator(std::string_view path) {
    return path.find_last_of("\\/");
}

int16_t ColumnsLineValue(int16_t mode) {
    switch (mode) {
    case 1:
        return 5;
    case 2:
        return 3;
    default:
        return 2;
    }
}

// Header lines the readers act on, by how they begin (in any case): the log reader, and a save
// that looks for the stale pages of an earlier log.
constexpr std::string_view kHeaderKey = "Header";
constexpr std::string_view kEndHeaderKey = "EndHeader";
constexpr std::string_view kGraphScaleKey = "GraphScale";
constexpr std::string_view kUnitsKey = "Units";
constexpr std::string_view kPageKey = "Page";

bool IsReaderKey(std::string_view text) {
    for (const std::string_view key :
         {kHeaderKey, kEndHeaderKey, kGraphScaleKey, kUnitsKey, kPageKey}) {
        if (StartsWithNoCase(text, key)) {
            return true;
        }
    }
    return false;
}

void AppendLine(std::string& out, std::string_view a, std::string_view b = {}) {
    out += a;
    out += b;
    out += kLineEnd;
}

} // namespace

static_assert((kLogMaxRows - 1) / kPageRows + 1 == kMostPages, "a full log fills every page");

// A note label is written as it is, unless a reader could take its line for a key: then a
// leading blank keeps it a plain header line.
std::string HeaderNoteLabel(std::string_view label) {
    std::string out = OneLine(label);
    return IsReaderKey(out) ? " " + out : out;
}

std::string_view UnguardedNoteLabel(std::string_view headerLabel) {
    if (headerLabel.starts_with(' ') && IsReaderKey(headerLabel.substr(1))) {
        headerLabel.remove_prefix(1);
    }
    return headerLabel;
}

int ValueCount(int16_t columnMode) {
    return columnMode == 1 ? 4 : (columnMode == 2 ? 2 : 1);
}

int32_t HeldRows(const LogModel& log) {
    const auto held = static_cast<int32_t>(log.LogData.empty() ? 0 : log.LogData.size() - 1);
    return std::clamp(log.RecordCnt, 0, held);
}

int32_t PageCount(int32_t recordCnt) {
    if (recordCnt <= 0) {
        return 1;
    }
    return (recordCnt - 1) / kPageRows + 1;
}

std::string ParsePathFile(std::string_view path, int16_t part) {
    const size_t sep = LastSeparator(path);
    if (part == 1) {
        return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep));
    }
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

namespace {

bool IsExtension(std::string_view s) {
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return !s.empty() && s.size() <= 4 &&
           std::all_of(s.begin(), s.end(), [&](char c) { return letter(c) || digit(c); }) &&
           std::any_of(s.begin(), s.end(), letter);
}

} // namespace

std::filesystem::path PagePath(const std::filesystem::path& chosen, int32_t page) {
    const std::string name = Utf8Name(chosen.filename());
    if (name.empty() || name == "." || name == "..") {
        return chosen.parent_path() / ""; // names no file
    }
    const size_t dot = name.rfind('.');
    const std::string first = dot != std::string::npos && IsExtension(name.substr(dot + 1))
                                  ? name.substr(0, dot + 4)
                                  : name + "." + std::string(kLogExtension);
    return chosen.parent_path() / FromUtf8(PageName(first, page));
}

std::string FormatTimeStr(float t, std::string* message) {
    const int64_t s = NearInt32(static_cast<double>(t) * 86400.0);
    const int64_t hours = (s >= 0 ? s : s - 3599) / 3600;
    const int64_t r = s - hours * 3600;
    if (hours >= 0 && hours < 100) {
        // Every row of a log passes here: build the text directly.
        const auto digit = [](int64_t v) { return static_cast<char>('0' + v); };
        const int64_t m = r / 60;
        const int64_t sec = r % 60;
        const char text[8] = {digit(hours / 10), digit(hours % 10), ':',
                              digit(m / 10),     digit(m % 10),     ':',
                              digit(sec / 10),   digit(sec % 10)};
        return std::string(text, sizeof text);
    }
    std::string text = TwoDigits(hours) + ":" + TwoDigits(r / 60) + ":" + TwoDigits(r % 60);
    if (text.size() != 8 && message != nullptr) {
        *message = std::string(kFormatTimeStrError);
    }
    return text;
}

float UnFormatTime(std::string_view text) {
    const std::string_view h = text.substr(0, 2);
    const std::string_view m = text.size() > 3 ? text.substr(3, 2) : std::string_view();
    const std::string_view s = text.size() >= 2 ? text.substr(text.size() - 2) : text;
    return static_cast<float>((Val(h) * 3600.0 + Val(m) * 60.0 + Val(s)) / 86400.0);
}

std::string LogPageText(const LogModel& log, int32_t page, int32_t pageCount,
                        std::string_view fileName, const SaveStamp& stamp, bool* timeError) {
    const int32_t rows = HeldRows(log);
    const int16_t mode = log.LogColumnMode;
    const std::string units = OneLine(log.LogUnits);
    std::string out;

    AppendLine(out, "Header");
    AppendLine(out, "File,", OneLine(fileName));
    AppendLine(out, "Date,", OneLine(stamp.Date));
    AppendLine(out, "Time,", OneLine(stamp.Time));
    AppendLine(out, "Samples,", std::to_string(rows));
    AppendLine(out, "Columns,", std::to_string(ColumnsLineValue(mode)));
    AppendLine(out, "Page,", std::to_string(page) + " of " + std::to_string(pageCount));
    AppendLine(out, "GraphScale,", OneLine(log.GraphScale));
    AppendLine(out, "Field Peak,", GeneralNumber(log.LogPeaks[0]));
    if (mode == 1) {
        AppendLine(out, "X Peak,", GeneralNumber(log.LogPeaks[1]));
        AppendLine(out, "Y Peak,", GeneralNumber(log.LogPeaks[2]));
        AppendLine(out, "Z Peak,", GeneralNumber(log.LogPeaks[3]));
    }
    AppendLine(out, "Probe Type,", OneLine(stamp.ProbeModel));
    const int16_t notes = std::clamp<int16_t>(log.HeaderNotes.Count, 0, HeaderNoteTable::kMaxNotes);
    for (int16_t i = 1; i <= notes; ++i) {
        const HeaderNote& n = log.HeaderNotes.Entry[static_cast<size_t>(i)];
        if (!n.Value.empty()) {
            AppendLine(out, HeaderNoteLabel(n.Label) + ",", OneLine(n.Value));
        }
    }
    AppendLine(out, "Units,", units);
    AppendLine(out, "EndHeader");
    switch (mode) {
    case 1:
        AppendLine(out, "Time ,Field " + units + ",X " + units + ",Y " + units + ",Z " + units);
        break;
    case 2:
        AppendLine(out, "Time ,Field " + units + ",Moving Ave" + units);
        break;
    default:
        AppendLine(out, "Time ,Field " + units);
        break;
    }

    const int32_t first = (page - 1) * kPageRows + 1;
    const int32_t last = std::min(rows, page * kPageRows);
    const int values = ValueCount(mode);
    if (last >= first) {
        out.reserve(out.size() + static_cast<size_t>(last - first + 1) * (10 + 14 * values));
    }
    std::string message;
    for (int32_t r = first; r <= last; ++r) {
        const auto& row = log.LogData[static_cast<size_t>(r)];
        out += FormatTimeStr(row[0], &message);
        for (int c = 1; c <= values; ++c) {
            out += ',';
            AppendGeneralNumber(out, row[static_cast<size_t>(c)]);
        }
        out += kLineEnd;
    }
    if (timeError != nullptr && !message.empty()) {
        *timeError = true;
    }
    return out;
}

namespace {

// A log file's first part holds its header; 64 KiB holds any header the writer makes.
constexpr size_t kHeaderBytes = 64u << 10;

// Whether the file is page `page` of a set by its own header.
bool IsPageOfASet(const std::filesystem::path& file, int32_t page) {
    std::error_code ec;
    if (std::filesystem::symlink_status(file, ec).type() != std::filesystem::file_type::regular) {
        return false;
    }
    const ReadResult head = ReadWholeFile(file, kHeaderBytes);
    if (!head.Ok) {
        return false;
    }
    return ParseLogText(head.Bytes, "").Page == page;
}

std::string Quoted(const std::vector<std::filesystem::path>& files) {
    std::string out;
    for (size_t i = 0; i < files.size(); ++i) {
        out += (i == 0 ? "\"" : (i + 1 == files.size() ? " and \"" : ", \"")) +
               TextOfPath(files[i].filename()) + "\"";
    }
    return out;
}

bool Holds(const std::vector<std::filesystem::path>& list, const std::filesystem::path& p) {
    return std::find(list.begin(), list.end(), p) != list.end();
}

} // namespace

SavePlan PlanSave(const std::filesystem::path& chosen, int32_t recordCnt) {
    SavePlan plan;
    if (PagePath(chosen, 1).filename().empty()) {
        plan.Error = "\"" + TextOfPath(chosen) + "\" names no file; nothing was saved.";
        return plan;
    }
    TidyFolder(FolderOf(chosen));
    std::error_code ec;
    const int32_t pages = PageCount(recordCnt);
    for (int32_t p = 1; p <= kMostPages; ++p) {
        const std::filesystem::path page = PagePath(chosen, p);
        const bool there = std::filesystem::exists(std::filesystem::symlink_status(page, ec));
        if (p <= pages) {
            plan.Pages.push_back(page);
            if (there) {
                plan.Replaced.push_back(page);
            }
        } else if (there) {
            (IsPageOfASet(page, p) ? plan.Removed : plan.InTheWay).push_back(page);
        }
    }
    if (const size_t n = plan.InTheWay.size(); n > 0) {
        plan.Error =
            Quoted(plan.InTheWay) + (n == 1 ? " is" : " are") + " in the way: saving as \"" +
            TextOfPath(plan.Pages[0].filename()) +
            "\" removes the later pages of an earlier, longer log of that name, and " +
            (n == 1 ? "it is not one. Move or rename it" : "they are not. Move or rename them") +
            ", or choose another name. Nothing was saved.";
    }
    return plan;
}

SaveResult SaveData(const LogModel& log, const std::filesystem::path& path, const SaveStamp& stamp,
                    const SavePlan* agreed) {
    SaveResult result;
    if (log.LogColumnMode < 0 || log.LogColumnMode > 2) {
        result.Error = "The log has an unknown column layout (" +
                       std::to_string(log.LogColumnMode) + "); nothing was saved.";
        return result;
    }
    const int32_t rows = HeldRows(log);
    const SavePlan plan = PlanSave(path, rows);
    if (!plan.Error.empty()) {
        result.Error = plan.Error;
        return result;
    }
    if (agreed != nullptr) {
        for (const auto* list : {&plan.Replaced, &plan.Removed}) {
            for (const std::filesystem::path& f : *list) {
                if (!Holds(agreed->Replaced, f) && !Holds(agreed->Removed, f)) {
                    result.Error = Quoted({f}) +
                                   " has appeared since the question before the save, which did "
                                   "not name it. Nothing was saved.";
                    return result;
                }
            }
        }
    }
    const auto pages = static_cast<int32_t>(plan.Pages.size());
    bool timeError = false;
    const std::string tag = NewTempTag();
    std::vector<PendingFile> pending;
    pending.reserve(plan.Pages.size());
    for (int32_t p = 1; p <= pages; ++p) {
        PendingFile& file = pending.emplace_back(plan.Pages[static_cast<size_t>(p - 1)], tag);
        file.Write(
            LogPageText(log, p, pages, TextOfPath(file.Target().filename()), stamp, &timeError));
        if (!file.Finish()) {
            result.Error = file.Error() + " Nothing was saved.";
            return result; // the pending files remove their temporary files
        }
    }
    const WriteResult written = CommitTogether(pending, plan.Removed);
    if (!written.Ok) {
        result.Error = written.Error;
        return result;
    }
    for (const PendingFile& file : pending) {
        result.Pages.push_back(file.Target());
    }
    if (timeError) {
        result.Messages.emplace_back(kFormatTimeStrError);
    }
    result.Ok = true;
    result.Status = "Saved " + std::to_string(rows) + " data points.";
    return result;
}

namespace {

std::string_view After(std::string_view s, size_t n) {
    return n < s.size() ? s.substr(n) : std::string_view();
}

// The writer's time texts, HH:MM:SS; anything else (a fraction of a second, 61 minutes, no
// digits) is not read as some other time.
std::optional<float> ReadTimeText(std::string_view t) {
    t = TrimBlanks(t);
    if (t.size() != 8 || t[2] != ':' || t[5] != ':' || t[3] > '5' || t[6] > '5') {
        return std::nullopt;
    }
    for (const size_t i : {0, 1, 3, 4, 6, 7}) {
        if (t[i] < '0' || t[i] > '9') {
            return std::nullopt;
        }
    }
    return UnFormatTime(t);
}

// A value the graph can draw: a number within the single range.
std::optional<float> ReadValue(std::string_view field) {
    const auto v = ParseSingleField(field);
    return v && std::isfinite(*v) ? v : std::nullopt;
}

// "Page,p of n" as the writer puts it, with 1 <= p <= n <= the most pages a log has.
void ReadPageLine(std::string_view line, LoadResult& r) {
    const auto number = [](std::string_view t) {
        int32_t n = 0;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
        return ec == std::errc() && end == t.data() + t.size() ? n : 0;
    };
    if (line.size() <= kPageKey.size() || line[kPageKey.size()] != ',') {
        return;
    }
    const std::string_view v = line.substr(kPageKey.size() + 1);
    const size_t of = v.find(" of ");
    if (of == std::string_view::npos) {
        return;
    }
    const int32_t page = number(v.substr(0, of));
    const int32_t pages = number(v.substr(of + 4));
    if (page >= 1 && page <= pages && pages <= kMostPages) {
        r.Page = page;
        r.Pages = pages;
    }
}

std::string Rows(int64_t n) {
    return std::to_string(n) + (n == 1 ? " row" : " rows");
}

} // namespace

LoadResult ParseLogText(std::string_view text, std::string_view fileName) {
    LoadResult r;
    r.Table.assign(1, std::array<float, 6>{});
    r.LoadedFileTag = "    (" + std::string(fileName) + ")";
    const auto fail = [&r](std::string why) {
        r.Error = std::move(why);
        return r;
    };

    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3); // an editor's UTF-8 mark
    }
    LineCursor cursor(text);
    std::string_view line;
    if (!cursor.Next(line)) {
        return fail("The file is empty.");
    }
    size_t fileColumns = kMaxValueColumns;
    std::optional<std::string_view> pageLine;
    if (EqualsNoCase(TrimBlanks(line), kHeaderKey)) {
        r.HasHeader = true;
        r.HeaderLines.emplace_back(line);
        bool ended = false;
        while (cursor.Next(line)) {
            r.HeaderLines.emplace_back(line);
            if (StartsWithNoCase(line, kEndHeaderKey)) {
                ended = true;
                break;
            }
            if (StartsWithNoCase(line, kGraphScaleKey)) {
                r.GraphScale = std::string(After(line, 11));
            } else if (StartsWithNoCase(line, kUnitsKey)) {
                r.LogUnits = std::string(After(line, 6));
            } else if (StartsWithNoCase(line, kPageKey) && !pageLine) {
                pageLine = line;
            }
        }
        if (!ended) {
            return fail("The header has no \"EndHeader\" line; no data was read.");
        }
        if (pageLine) {
            ReadPageLine(*pageLine, r);
        }
        if (!cursor.Next(line)) {
            return fail("The file ends before the column titles; no data was read.");
        }
        fileColumns = static_cast<size_t>(std::count(line.begin(), line.end(), ','));
    }
    const size_t columns = std::min<size_t>(fileColumns, kMaxValueColumns);
    r.ValueColumns = static_cast<int16_t>(columns);
    if (fileColumns > columns) {
        r.Notices.push_back("The file has " + std::to_string(fileColumns) +
                            " value columns; only the first " + std::to_string(columns) +
                            " were read.");
    }

    int64_t rowsBeyondTable = 0;
    int32_t longRowLine = 0;
    std::string firstLeftOut;
    int32_t rows = 0;
    bool anyRow = false;
    while (cursor.Next(line)) {
        if (TrimBlanks(line).empty()) {
            continue; // a blank line holds no row
        }
        anyRow = true;
        if (rows == kPageRows) {
            ++rowsBeyondTable;
            continue;
        }
        std::array<std::string_view, kMaxValueColumns + 1> fields;
        size_t found = 0;
        size_t start = 0;
        bool more = false;
        while (true) {
            const size_t comma = line.find(',', start);
            const std::string_view field =
                line.substr(start, comma == std::string_view::npos ? line.npos : comma - start);
            if (found <= columns) {
                fields[found] = field;
            }
            ++found;
            if (comma == std::string_view::npos) {
                break;
            }
            if (found > fileColumns) {
                more = true;
                break;
            }
            start = comma + 1;
        }
        if (found < columns + 1) {
            r.StoppedAtLine = cursor.LineNo();
            r.Notices.push_back("Line " + std::to_string(cursor.LineNo()) + " (" + Excerpt(line) +
                                ") has " + std::to_string(found) + " field" +
                                (found == 1 ? "" : "s") + " where " + std::to_string(columns + 1) +
                                " were expected; reading stopped there, keeping the " + Rows(rows) +
                                " before it.");
            break;
        }
        if (more && longRowLine == 0) {
            longRowLine = cursor.LineNo();
        }
        std::array<float, 6> row{};
        bool readable = true;
        if (const auto t = ReadTimeText(fields[0])) {
            row[1] = *t;
        } else {
            readable = false;
        }
        for (size_t c = 1; c <= columns && readable; ++c) {
            const auto v = ReadValue(fields[c]);
            readable = v.has_value();
            row[c + 1] = v.value_or(0.0f);
        }
        if (!readable) {
            if (r.RowsLeftOut++ == 0) {
                r.FirstLeftOutLine = cursor.LineNo();
                firstLeftOut = Excerpt(line);
            }
            continue;
        }
        r.Table.push_back(row);
        ++rows;
    }
    r.RecordCnt = rows;
    if (r.RowsLeftOut > 0) {
        r.Notices.push_back(Rows(r.RowsLeftOut) + " had unreadable times or values and " +
                            (r.RowsLeftOut == 1 ? "was" : "were") + " left out; first at line " +
                            std::to_string(r.FirstLeftOutLine) + " (" + firstLeftOut + ").");
    }
    if (longRowLine != 0) {
        r.Notices.push_back("Line " + std::to_string(longRowLine) +
                            " and maybe others hold more fields than the column titles name; "
                            "the extra fields were not read.");
    }
    if (rowsBeyondTable > 0) {
        r.Notices.push_back("The file holds " + std::to_string(kPageRows + rowsBeyondTable) +
                            " data rows; only the first " + std::to_string(kPageRows) +
                            " were read.");
    }
    // A saved empty log has a header and no rows; anything else without a row read is not a
    // log that loaded.
    if (rows == 0 && (anyRow || !r.HasHeader)) {
        std::string why = "The file holds no readable rows.";
        for (const std::string& n : r.Notices) {
            why += " " + n;
        }
        r.Notices.clear();
        return fail(why);
    }
    r.Ok = true;
    return r;
}

int16_t ColumnModeOf(int16_t valueColumns) {
    return valueColumns == 2 ? 2 : (valueColumns >= 3 ? 1 : 0);
}

LoadResult LoadData(const std::filesystem::path& path) {
    // A save of this log that was cut short is finished first, so that its pages agree.
    TidyFolder(FolderOf(path));
    const ReadResult file = ReadWholeFile(path, kMaxLogBytes);
    if (!file.Ok) {
        LoadResult r;
        r.Error = file.Error;
        r.Unreadable = true;
        return r;
    }
    LoadResult r = ParseLogText(file.Bytes, TextOfPath(path.filename()));
    if (file.Truncated) {
        r.Notices.push_back("The file is larger than " + std::to_string(kMaxLogBytes >> 20) +
                            " MiB; only its beginning was read.");
    }
    return r;
}

} // namespace vireon
