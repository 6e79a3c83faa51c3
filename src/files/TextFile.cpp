#include "files/TextFile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "common/numfmt.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vireon {

bool LineCursor::Next(std::string_view& line) {
    if (pos_ >= text_.size()) {
        return false;
    }
    size_t end = pos_;
    while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') {
        ++end;
    }
    line = text_.substr(pos_, end - pos_);
    if (end < text_.size() && text_[end] == '\r') {
        ++end;
    }
    if (end < text_.size() && text_[end] == '\n') {
        ++end;
    }
    pos_ = end;
    ++lineNo_;
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    return s;
}

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if ((ca | 0x20) != (cb | 0x20)) {
            return false;
        }
    }
    return true;
}

// The whole of s as a double; empty when anything is left over.
template <typename T> std::optional<T> WholeNumber(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.front() == '+' || s.front() == '-') {
        return std::nullopt;
    }
    if (EqualsNoCase(s, "inf") || EqualsNoCase(s, "infinity")) {
        return static_cast<T>(negative ? -HUGE_VAL : HUGE_VAL);
    }
    if (EqualsNoCase(s, "nan")) {
        return static_cast<T>(NAN);
    }
    // Only digits, one point and an exponent: from_chars would also take "infinity" forms and
    // hexadecimal-free text, but the checks above already handled the words.
    const char first = s.front();
    if (!(first == '.' || (first >= '0' && first <= '9'))) {
        return std::nullopt;
    }
    T value{};
    const auto res = std::from_chars(s.data(), s.data() + s.size(), value);
    if (res.ptr != s.data() + s.size()) {
        return std::nullopt;
    }
    if (res.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone: decide by the exponent's sign whether the text
        // overflowed or underflowed.
        const auto e = s.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '-';
        value = tiny ? T(0) : static_cast<T>(HUGE_VAL);
    } else if (res.ec != std::errc()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

} // namespace

std::optional<float> ParseSingleField(std::string_view field) {
    return WholeNumber<float>(TrimBlanks(field));
}

std::optional<int32_t> ParseIntField(std::string_view field, int32_t lo, int32_t hi) {
    const auto v = WholeNumber<double>(TrimBlanks(field));
    if (!v || !std::isfinite(*v)) {
        return std::nullopt;
    }
    const double r = std::nearbyint(*v);
    if (r < lo || r > hi) {
        return std::nullopt;
    }
    return static_cast<int32_t>(r);
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return Utf8ToCp1252(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

std::string OneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return out;
}

namespace {

// Why a path that exists is not a file we read.
std::string NotAFile(std::filesystem::file_type type) {
    switch (type) {
    case std::filesystem::file_type::directory:
        return "It is a folder, not a file.";
    case std::filesystem::file_type::fifo:
        return "It is a named pipe, not a file.";
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character:
        return "It is a device, not a file.";
    default:
        return "It is not a regular file.";
    }
}

#ifdef _WIN32
int OpenForReading(const std::filesystem::path& path) {
    return _wopen(path.c_str(), _O_RDONLY | _O_BINARY);
}
bool IsRegular(int fd) {
    struct _stat64 st {};
    return _fstat64(fd, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
}
long ReadSome(int fd, char* into, size_t n) {
    return _read(fd, into, static_cast<unsigned>(n));
}
void CloseFd(int fd) {
    _close(fd);
}
#else
int OpenForReading(const std::filesystem::path& path) {
    // Non-blocking, so that a pipe put in the file's place after the check cannot hang the open.
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}
bool IsRegular(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}
long ReadSome(int fd, char* into, size_t n) {
    return ::read(fd, into, n);
}
void CloseFd(int fd) {
    ::close(fd);
}
#endif

ReadResult ReadFileBytes(const std::filesystem::path& path, size_t maxBytes) {
    ReadResult r;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        r.Missing = true;
        r.Error = "The file does not exist.";
        return r;
    }
    if (ec) {
        r.Error = ec.message();
        return r;
    }
    // Reading a pipe or a device could wait for ever (and opening one may have effects).
    if (status.type() != std::filesystem::file_type::regular) {
        r.Error = NotAFile(status.type());
        return r;
    }
    const int fd = OpenForReading(path);
    if (fd < 0) {
        r.Error = std::strerror(errno);
        return r;
    }
    if (!IsRegular(fd)) {
        CloseFd(fd);
        r.Error = NotAFile(std::filesystem::file_type::unknown);
        return r;
    }
    // One byte past the limit tells a file of exactly maxBytes from a longer one.
    const size_t chunk = 1 << 16;
    bool failed = false;
    while (r.Bytes.size() <= maxBytes) {
        const size_t old = r.Bytes.size();
        const size_t want = std::min(chunk, maxBytes + 1 - old);
        r.Bytes.resize(old + want);
        const long got = ReadSome(fd, r.Bytes.data() + old, want);
        if (got < 0 && errno == EINTR) {
            r.Bytes.resize(old);
            continue;
        }
        failed = got < 0;
        r.Bytes.resize(old + (got > 0 ? static_cast<size_t>(got) : 0));
        if (got <= 0) {
            break;
        }
    }
    CloseFd(fd);
    if (failed) {
        r.Bytes.clear();
        r.Error = "The file could not be read to its end.";
        return r;
    }
    if (r.Bytes.size() > maxBytes) {
        r.Bytes.resize(maxBytes);
        r.Truncated = true;
    }
    r.Ok = true;
    return r;
}

} // namespace

ReadResult ReadWholeFile(const std::filesystem::path& path, size_t maxBytes) {
    ReadResult r = ReadFileBytes(path, maxBytes);
    if (!r.Ok) {
        r.Error = "\"" + PathText(path) + "\" could not be read: " + r.Error;
    }
    return r;
}

namespace {

std::filesystem::path TempNameFor(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const long pid = _getpid();
#else
    const long pid = static_cast<long>(getpid());
#endif
    std::string name = "." + target.filename().string() + "." + std::to_string(pid) + "." +
                       std::to_string(counter.fetch_add(1)) + ".tmp";
    return target.parent_path() / name;
}

} // namespace

PendingFile::PendingFile(std::filesystem::path target) : target_(std::move(target)) {
    temp_ = TempNameFor(target_);
    file_ = std::fopen(temp_.string().c_str(), "wb");
    if (file_ == nullptr) {
        Fail("cannot be created", errno);
        return;
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : target_(std::move(other.target_)), temp_(std::move(other.temp_)), file_(other.file_),
      finished_(other.finished_), committed_(other.committed_), error_(std::move(other.error_)) {
    other.file_ = nullptr;
    other.committed_ = true; // the moved-from object owns nothing to clean up
}

PendingFile::~PendingFile() {
    if (!committed_) {
        Discard();
    }
}

void PendingFile::Fail(const std::string& what, int err) {
    Fail(what, err != 0 ? std::string(std::strerror(err)) : std::string());
}

void PendingFile::Fail(const std::string& what, const std::string& reason) {
    if (error_.empty()) {
        error_ = "\"" + PathText(target_) + "\" " + what;
        if (!reason.empty()) {
            error_ += ": " + reason;
        }
        error_ += ".";
    }
    Discard();
}

void PendingFile::Discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        std::error_code ec;
        std::filesystem::remove(temp_, ec);
        temp_.clear();
    }
}

bool PendingFile::Write(std::string_view bytes) {
    if (!Ok() || file_ == nullptr) {
        return false;
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        Fail("could not be written", errno);
        return false;
    }
    return true;
}

bool PendingFile::Finish() {
    if (!Ok() || file_ == nullptr) {
        return false;
    }
    if (finished_) {
        return true;
    }
    if (std::fflush(file_) != 0) {
        Fail("could not be written", errno);
        return false;
    }
#ifdef __linux__
    // Start writing to the disk now, so that the wait at Commit overlaps with other work
    // (the next page being formatted).
    sync_file_range(fileno(file_), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    finished_ = true;
    return true;
}

bool PendingFile::Commit() {
    if (!Finish()) {
        return false;
    }
    // The data must be on the disk before the rename makes it the file, or a power cut could
    // leave an empty file under the old name.
#ifdef _WIN32
    const int synced = _commit(_fileno(file_));
#else
    const int synced = fsync(fileno(file_));
#endif
    if (synced != 0) {
        Fail("could not be written", errno);
        return false;
    }
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) {
        Fail("could not be written", errno);
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp_, target_, ec);
    if (ec) {
        Fail("could not replace the old file", ec.message());
        return false;
    }
    temp_.clear();
    committed_ = true;
    return true;
}

void SyncFolderOf(const std::filesystem::path& file) {
#ifndef _WIN32
    const std::filesystem::path dir =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const int fd = ::open(dir.string().c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);
        ::close(fd);
    }
#else
    (void)file;
#endif
}

WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    PendingFile f(path);
    f.Write(bytes);
    if (f.Commit()) {
        SyncFolderOf(path);
    }
    return WriteResult{f.Ok(), f.Error()};
}

} // namespace vireon
