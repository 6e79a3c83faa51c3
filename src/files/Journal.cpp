#include "files/Journal.h"

#include "files/LogFile.h"
#include "files/TextFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vireon {

namespace {

constexpr std::string_view kMagic = "Vireon II recovery journal";
// A full log is about 30 MB of journal; anything much larger is not one.
constexpr size_t kMaxJournalBytes = 128u << 20;

void AppendFloat(std::string& out, float v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

bool ReadFloat(std::string_view field, float& v) {
    if (field.empty()) {
        return false;
    }
    // from_chars takes no leading "+"; the writer never puts one.
    const auto r = std::from_chars(field.data(), field.data() + field.size(), v);
    return r.ec == std::errc() && r.ptr == field.data() + field.size();
}

// Splits "a,b,c" into at most out.size() fields; returns how many there were (may exceed).
size_t Split(std::string_view line, std::vector<std::string_view>& out) {
    out.clear();
    size_t start = 0;
    while (true) {
        const size_t comma = line.find(',', start);
        out.push_back(
            line.substr(start, comma == std::string_view::npos ? line.npos : comma - start));
        if (comma == std::string_view::npos || out.size() > 6) {
            return out.size();
        }
        start = comma + 1;
    }
}

std::string_view After(std::string_view line, std::string_view prefix) {
    return line.substr(0, prefix.size()) == prefix ? line.substr(prefix.size())
                                                   : std::string_view();
}

} // namespace

JournalWriter::~JournalWriter() {
    Close();
}

bool JournalWriter::Start(const std::filesystem::path& path, const JournalHeader& header) {
    Close();
    error_.clear();
    path_ = path;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
#ifdef _WIN32
    file_ = _wfopen(path.c_str(), L"wb");
#else
    file_ = std::fopen(path.c_str(), "wb");
#endif
    if (file_ == nullptr) {
        error_ = "The recovery journal " + TextOfPath(path) +
                 " cannot be written: " + std::strerror(errno) + ".";
        return false;
    }
    peaks_ = {};
    peaksDirty_ = false;
    std::string text(kMagic);
    text += "\nStarted," + OneLine(header.StartDate) + "," + OneLine(header.StartTime) + "\n";
    text += "Columns," + std::to_string(header.LogColumnMode) + "\n";
    text += "Units," + OneLine(header.LogUnits) + "\n";
    text += "GraphScale," + OneLine(header.GraphScale) + "\nEndHeader\n";
    Put(text);
    Sync();
    return Active();
}

void JournalWriter::Put(std::string_view text) {
    if (file_ == nullptr) {
        return;
    }
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0) {
        error_ = "Writing the recovery journal failed: " + std::string(std::strerror(errno)) + ".";
        std::fclose(file_);
        file_ = nullptr;
    }
}

void JournalWriter::Append(const std::array<float, 5>& row, int values) {
    line_.clear();
    AppendFloat(line_, row[0]);
    for (int c = 1; c <= values; ++c) {
        line_ += ',';
        AppendFloat(line_, row[static_cast<size_t>(c)]);
    }
    line_ += '\n';
    Put(line_);
}

void JournalWriter::Peaks(const std::array<float, 4>& peaks) {
    if (peaks != peaks_) {
        peaks_ = peaks;
        peaksDirty_ = true;
    }
}

void JournalWriter::Sync() {
    if (file_ == nullptr) {
        return;
    }
    if (peaksDirty_) {
        line_ = "P";
        for (float p : peaks_) {
            line_ += ',';
            AppendFloat(line_, p);
        }
        line_ += '\n';
        peaksDirty_ = false;
        Put(line_);
        if (file_ == nullptr) {
            return;
        }
    }
#ifdef _WIN32
    _commit(_fileno(file_));
#else
    fdatasync(fileno(file_));
#endif
}

void JournalWriter::Close() {
    if (file_ != nullptr) {
        Sync();
    }
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

void JournalWriter::Remove() {
    Close();
    if (!path_.empty()) {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
}

JournalContent ParseJournal(std::string_view text) {
    JournalContent j;
    std::vector<std::string_view> f;
    size_t pos = 0;
    // Only lines ended by a line feed count: the last one may have been cut by the crash.
    auto next = [&](std::string_view& line) {
        const size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            j.Torn = j.Torn || pos < text.size();
            return false;
        }
        line = text.substr(pos, end - pos);
        pos = end + 1;
        return true;
    };
    std::string_view line;
    if (!next(line) || line != kMagic) {
        return j;
    }
    bool ended = false;
    bool columns = false;
    while (!ended && next(line)) {
        if (line == "EndHeader") {
            ended = true;
        } else if (!After(line, "Started,").empty()) {
            const std::string_view v = After(line, "Started,");
            const size_t comma = v.find(',');
            j.Header.StartDate = std::string(v.substr(0, comma));
            j.Header.StartTime =
                comma == std::string_view::npos ? std::string() : std::string(v.substr(comma + 1));
        } else if (line.substr(0, 8) == "Columns,") {
            const std::string_view v = line.substr(8);
            columns = v == "0" || v == "1" || v == "2";
            j.Header.LogColumnMode = columns ? static_cast<int16_t>(v[0] - '0') : 0;
        } else if (line.substr(0, 6) == "Units,") {
            j.Header.LogUnits = std::string(line.substr(6));
        } else if (line.substr(0, 11) == "GraphScale,") {
            j.Header.GraphScale = std::string(line.substr(11));
        }
    }
    if (!ended || !columns) {
        return j;
    }
    j.Ok = true;
    const size_t values = static_cast<size_t>(ValueCount(j.Header.LogColumnMode));
    while (next(line)) {
        const size_t n = Split(line, f);
        std::array<float, 5> row{};
        bool good = true;
        if (!f.empty() && f[0] == "P") {
            std::array<float, 4> peaks{};
            good = n == 5;
            for (size_t i = 0; good && i < 4; ++i) {
                good = ReadFloat(f[i + 1], peaks[i]);
            }
            if (good) {
                j.LogPeaks = peaks;
                continue;
            }
        } else {
            good = n == values + 1;
            for (size_t i = 0; good && i <= values; ++i) {
                good = ReadFloat(f[i], row[i]);
            }
        }
        if (!good || j.Rows.size() >= static_cast<size_t>(kLogMaxRows)) {
            j.Torn = j.Torn || !good;
            break;
        }
        j.Rows.push_back(row);
    }
    return j;
}

JournalContent ReadJournal(const std::filesystem::path& path) {
    const ReadResult file = ReadWholeFile(path, kMaxJournalBytes);
    if (!file.Ok) {
        return JournalContent{};
    }
    return ParseJournal(file.Bytes);
}

} // namespace vireon
