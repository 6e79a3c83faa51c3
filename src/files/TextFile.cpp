#include "files/TextFile.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <system_error>

#include "common/numfmt.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vireon {

namespace {
constexpr std::string_view kHex = "0123456789abcdef";
} // namespace

bool LineCursor::Next(std::string_view& line) {
    if (pos_ >= text_.size()) {
        return false;
    }
    size_t end = pos_;
    while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') {
        ++end;
    }
    line = text_.substr(pos_, end - pos_);
    // A run of CRs before an LF is one line end: a file whose CR LF went through a text-mode
    // conversion once more ends its lines CR CR LF. CRs without an LF each end a line.
    size_t crs = end;
    while (crs < text_.size() && text_[crs] == '\r') {
        ++crs;
    }
    if (crs < text_.size() && text_[crs] == '\n') {
        end = crs + 1;
    } else if (end < text_.size()) {
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

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

std::string Excerpt(std::string_view text) {
    constexpr size_t kMost = 40;
    return "\"" + std::string(text.substr(0, kMost)) + (text.size() > kMost ? "...\"" : "\"");
}

namespace {

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

std::string TextOfPath(const std::filesystem::path& path) {
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

// A file of this user's own, not a link: in a folder others may write to, only such a file
// may tell us what to rename or remove. Windows keeps these files in per-user folders.
bool OwnFile(const std::filesystem::path& path) {
#ifdef _WIN32
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() == std::filesystem::file_type::regular;
#else
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid();
#endif
}

// Opens a file of this user's own for reading; on POSIX the owner is checked on the file
// opened, so that nothing can be swapped in after the check.
int OpenOwnFile(const std::filesystem::path& path) {
#ifdef _WIN32
    return OwnFile(path) ? OpenForReading(path) : -1;
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && (fstat(fd, &st) != 0 || st.st_uid != geteuid())) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
#endif
}

// With ownOnly, a file that is not this user's own (or is a link) is refused.
ReadResult ReadFileBytes(const std::filesystem::path& path, size_t maxBytes, bool ownOnly = false) {
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
    const int fd = ownOnly ? OpenOwnFile(path) : OpenForReading(path);
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
        r.Error = "\"" + TextOfPath(path) + "\" could not be read: " + r.Error;
    }
    return r;
}

namespace {

long OwnPid() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<long>(getpid());
#endif
}

bool AllOf(std::string_view s, std::string_view chars) {
    return !s.empty() && s.find_first_not_of(chars) == std::string_view::npos;
}

// A temporary file a save of ours left behind: "." + target + "." + pid + "." + tag + "." + kind.
struct TempName {
    std::string Target;
    long Pid = 0;
    std::string Tag;
    std::string Kind;
};

std::optional<TempName> ParseTempName(std::string_view name) {
    TempName t;
    for (const std::string_view kind : {"tmp", "commit"}) {
        if (name.size() > kind.size() + 1 && name.ends_with(kind) &&
            name[name.size() - kind.size() - 1] == '.') {
            t.Kind = std::string(kind);
        }
    }
    if (name.empty() || name.front() != '.' || t.Kind.empty()) {
        return std::nullopt;
    }
    name = name.substr(1, name.size() - t.Kind.size() - 2);
    const size_t tagDot = name.rfind('.');
    const size_t pidDot = tagDot == std::string_view::npos ? tagDot : name.rfind('.', tagDot - 1);
    if (pidDot == std::string_view::npos || pidDot == 0) {
        return std::nullopt;
    }
    const std::string_view pid = name.substr(pidDot + 1, tagDot - pidDot - 1);
    t.Tag = std::string(name.substr(tagDot + 1));
    // Earlier versions counted (decimal tags); now the tag is 16 random hexadecimal digits.
    const bool tagOk = AllOf(t.Tag, "0123456789") || (t.Tag.size() == 16 && AllOf(t.Tag, kHex));
    if (!tagOk || !AllOf(pid, "0123456789") || pid.size() > 9) {
        return std::nullopt;
    }
    t.Pid = std::stol(std::string(pid));
    t.Target = std::string(name.substr(0, pidDot));
    return t;
}

// A temporary file is a leftover once the run that made it is gone, or when it is older than a
// day (process ids are reused, and no save takes that long).
bool IsLeftover(const std::filesystem::path& file, const TempName& t) {
    if (t.Pid == OwnPid()) {
        return false;
    }
#ifdef _WIN32
    // A process that is gone cannot be opened, or has its exit code.
    if (HANDLE h =
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(t.Pid))) {
        DWORD code = 0;
        const bool ended = GetExitCodeProcess(h, &code) && code != STILL_ACTIVE;
        CloseHandle(h);
        if (ended) {
            return true;
        }
    } else if (GetLastError() == ERROR_INVALID_PARAMETER) {
        return true;
    }
#else
    if (kill(static_cast<pid_t>(t.Pid), 0) != 0 && errno == ESRCH) {
        return true;
    }
#endif
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(file, ec);
    return !ec && std::filesystem::file_time_type::clock::now() - written > std::chrono::hours(24);
}

bool IsRegularFile(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::symlink_status(p, ec).type() == std::filesystem::file_type::regular;
}

// Replacing a read-only file would go round the protection its owner gave it.
bool IsReadOnly(const std::filesystem::path& target) {
#ifdef _WIN32
    std::error_code ec;
    const auto st = std::filesystem::status(target, ec);
    return !ec && std::filesystem::is_regular_file(st) &&
           (st.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
#else
    struct stat st {};
    return ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ((st.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0);
#endif
}

#ifdef _WIN32
std::string LastErrorText() {
    return std::system_category().message(static_cast<int>(GetLastError()));
}
#endif

// Creates the temporary file exclusively, never through a link planted under its name, with
// the permissions of the file it will replace (on Windows the folder's, as the old file had).
// Null with *why set when it cannot.
std::FILE* CreateTemp(const std::filesystem::path& temp, const std::filesystem::path& target,
                      std::string* why) {
#ifdef _WIN32
    // CREATE_NEW refuses any name that is taken, a link's included.
    const HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *why = LastErrorText();
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
    }
    std::FILE* f = fd < 0 ? nullptr : _fdopen(fd, "wb");
#else
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        *why = std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        fchmod(fd, st.st_mode & 07777);
    }
    std::FILE* f = fdopen(fd, "wb");
#endif
    if (f == nullptr) {
        *why = std::strerror(errno);
        if (fd >= 0) {
            CloseFd(fd);
        }
        std::error_code ec;
        std::filesystem::remove(temp, ec);
    }
    return f;
}

// Puts the file from in to's place in one step, replacing to; false with *why set when it
// cannot.
bool MoveOver(const std::filesystem::path& from, const std::filesystem::path& to,
              std::string* why) {
#ifdef _WIN32
    // Write-through: the move is on the disk when the call returns, as the folder sync makes it
    // elsewhere. No copy: a replacement in two steps could be cut between them.
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    *why = LastErrorText();
    return false;
#else
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    *why = ec.message();
    return !ec;
#endif
}

} // namespace

std::string Utf8Name(const std::filesystem::path& p) {
    const std::u8string s = p.u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

std::filesystem::path FromUtf8(std::string_view s) {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

std::string PageName(std::string_view first, int32_t page) {
    if (page < 2) {
        return std::string(first);
    }
    const size_t dot = first.rfind('.');
    const size_t cut = dot == std::string_view::npos ? first.size() : dot;
    return std::string(first.substr(0, cut)) + "_" + std::to_string(page) +
           std::string(first.substr(cut));
}

bool IsLaterPage(std::string_view name, std::string_view first) {
    if (name.find_first_of("/\\") != std::string_view::npos || first.empty()) {
        return false;
    }
    for (int32_t page = 2; page <= kMostPages; ++page) {
        if (name == PageName(first, page)) {
            return true;
        }
    }
    return false;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

std::string NewTempTag() {
    thread_local std::random_device random;
    const uint64_t v = (static_cast<uint64_t>(random()) << 32) ^ random();
    std::string tag(16, '0');
    for (size_t i = 0; i < 16; ++i) {
        tag[i] = kHex[(v >> (60 - 4 * i)) & 15];
    }
    return tag;
}

std::filesystem::path TempPathFor(const std::filesystem::path& target, std::string_view tag,
                                  std::string_view kind) {
    return target.parent_path() /
           FromUtf8("." + Utf8Name(target.filename()) + "." + std::to_string(OwnPid()) + "." +
                    std::string(tag) + "." + std::string(kind));
}

void TidyFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::vector<std::pair<std::filesystem::path, TempName>> ours;
    for (auto it = std::filesystem::directory_iterator(folder, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const auto name = ParseTempName(Utf8Name(it->path().filename()));
        // Another user's file under one of our names is not ours to act on, or to remove.
        if (name && OwnFile(it->path())) {
            ours.emplace_back(it->path(), *name);
        }
    }
    // A commit record means every file of its set was on disk: finish the renames and the
    // removals it lists, as the save that died would have - within its own page set only.
    for (const auto& [record, r] : ours) {
        if (r.Kind != "commit" || !IsLeftover(record, r)) {
            continue;
        }
        std::string why;
        for (const auto& [temp, t] : ours) {
            if (t.Kind == "tmp" && t.Pid == r.Pid && t.Tag == r.Tag &&
                (t.Target == r.Target || IsLaterPage(t.Target, r.Target))) {
                MoveOver(temp, folder / FromUtf8(t.Target), &why);
            }
        }
        const ReadResult listed = ReadFileBytes(record, 1 << 16, true);
        LineCursor lines(listed.Bytes);
        std::string_view line;
        while (listed.Ok && lines.Next(line)) {
            if (IsLaterPage(line, r.Target) && IsRegularFile(folder / FromUtf8(line))) {
                std::filesystem::remove(folder / FromUtf8(line), ec);
            }
        }
        std::filesystem::remove(record, ec);
    }
    for (const auto& [temp, t] : ours) {
        if (t.Kind == "tmp" && IsLeftover(temp, t)) {
            std::filesystem::remove(temp, ec);
        }
    }
}

PendingFile::PendingFile(std::filesystem::path target, std::string tag)
    : target_(std::move(target)), tag_(std::move(tag)) {
    if (IsReadOnly(target_)) {
        Fail("is read-only; it was not replaced", "");
        return;
    }
    temp_ = TempPathFor(target_, tag_, "tmp");
    std::string why;
    file_ = CreateTemp(temp_, target_, &why);
    if (file_ == nullptr) {
        temp_.clear(); // not ours to remove
        Fail("cannot be created", why);
        return;
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : target_(std::move(other.target_)), tag_(std::move(other.tag_)), temp_(std::move(other.temp_)),
      file_(other.file_), finished_(other.finished_), sealed_(other.sealed_),
      committed_(other.committed_), error_(std::move(other.error_)) {
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
        error_ = "\"" + TextOfPath(target_) + "\" " + what;
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
    if (!Ok()) {
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
    // Start writing to the disk now, so that the wait at Seal overlaps with other work (the
    // next page being formatted).
    sync_file_range(fileno(file_), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    finished_ = true;
    return true;
}

bool PendingFile::Seal() {
    if (!Finish()) {
        return false;
    }
    if (sealed_) {
        return true;
    }
    // The data must be on the disk before the rename makes it the file, or a power cut could
    // leave an empty file under the old name.
#ifdef _WIN32
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file_))))) {
        Fail("could not be written", LastErrorText());
        return false;
    }
#else
    if (fsync(fileno(file_)) != 0) {
        Fail("could not be written", errno);
        return false;
    }
#endif
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) {
        Fail("could not be written", errno);
        return false;
    }
    sealed_ = true;
    return true;
}

bool PendingFile::Commit() {
    if (!Seal()) {
        return false;
    }
    std::string why;
    if (!MoveOver(temp_, target_, &why)) {
        Fail("could not replace the old file", why);
        return false;
    }
    temp_.clear();
    committed_ = true;
    return true;
}

WriteResult CommitTogether(std::vector<PendingFile>& files,
                           const std::vector<std::filesystem::path>& remove) {
    for (const std::filesystem::path& r : remove) {
        if (IsReadOnly(r)) {
            return WriteResult{false,
                               "\"" + TextOfPath(r) + "\" is read-only; nothing was replaced."};
        }
    }
    for (PendingFile& f : files) {
        if (!f.Seal()) {
            return WriteResult{false, f.Error()};
        }
    }
    // From here on the set counts as written: a run that dies during the renames below is
    // finished by the next TidyFolder.
    const std::filesystem::path recordPath =
        TempPathFor(files.front().Target(), files.front().Tag(), "commit");
    PendingFile record(recordPath);
    for (const std::filesystem::path& r : remove) {
        record.Write(Utf8Name(r.filename()) + "\n");
    }
    if (!record.Commit()) {
        return WriteResult{false, record.Error()};
    }
    SyncFolderOf(recordPath);
    std::error_code ec;
    for (size_t i = 0; i < files.size(); ++i) {
        if (!files[i].Commit()) {
            std::filesystem::remove(recordPath, ec);
            return WriteResult{false, files[i].Error() +
                                          (i > 0 ? " The files before it were replaced; it and "
                                                   "those after it were not."
                                                 : "")};
        }
    }
    for (const std::filesystem::path& r : remove) {
        if (IsRegularFile(r)) {
            std::filesystem::remove(r, ec);
        }
    }
    SyncFolderOf(recordPath);
    std::filesystem::remove(recordPath, ec);
    return WriteResult{};
}

void SyncFolderOf(const std::filesystem::path& file) {
#ifndef _WIN32
    const int fd = ::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        ::close(fd);
    }
#else
    // Windows cannot flush a folder; its renames are written through instead.
    (void)file;
#endif
}

WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    TidyFolder(FolderOf(path));
    PendingFile f(path);
    f.Write(bytes);
    if (f.Commit()) {
        SyncFolderOf(path);
    }
    return WriteResult{f.Ok(), f.Error()};
}

namespace {

// Moves from to to unless to is taken. False with *why empty when it is taken, with *why set
// when the move failed for another reason.
bool MoveIfFree(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string* why) {
#ifdef _WIN32
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    const DWORD err = GetLastError();
    if (err != ERROR_ALREADY_EXISTS && err != ERROR_FILE_EXISTS) {
        *why = LastErrorText();
    }
    return false;
#else
    // A second link cannot replace a name that is taken, where a rename would.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno == EEXIST) {
        return false;
    }
    // A file system without links: look first, then rename.
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(to, ec))) {
        return false;
    }
    std::filesystem::rename(from, to, ec);
    *why = ec ? ec.message() : std::string();
    return !ec;
#endif
}

} // namespace

std::filesystem::path KeepAsBad(const std::filesystem::path& file, std::string* why) {
    constexpr int kMostKept = 99;
    for (int n = 1; n <= kMostKept; ++n) {
        std::filesystem::path kept = file;
        kept += n == 1 ? std::string(".bad") : "." + std::to_string(n) + ".bad";
        why->clear();
        if (MoveIfFree(file, kept, why)) {
            SyncFolderOf(kept);
            return kept;
        }
        if (!why->empty()) {
            return {};
        }
    }
    *why = "the names up to \"." + std::to_string(kMostKept) + ".bad\" are taken";
    return {};
}

} // namespace vireon
