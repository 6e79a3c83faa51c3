#pragma once
// Text-file plumbing shared by the log, note-prompts and configuration files: splitting lines,
// reading number fields without the locale, and replacing files without ever leaving a torn one.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireon {

// Files are written with CR LF; readers take CR LF, LF, a lone CR, or CRs before an LF (CR CR
// LF) as a line end.
inline constexpr std::string_view kLineEnd = "\r\n";

// Walks the lines of a text held in memory.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}
    // The next line without its line end; false at the end of the text. A text ending in a
    // line end has no further empty line after it.
    bool Next(std::string_view& line);
    // 1-based number of the line last returned.
    int32_t LineNo() const { return lineNo_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int32_t lineNo_ = 0;
};

// Leading and trailing blanks (space and tab) removed.
std::string_view TrimBlanks(std::string_view s);

// Leading and trailing spaces removed (the note prompts trim spaces only).
std::string_view TrimSpaces(std::string_view s);

// ASCII letters compared without regard to case.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);

// Text found in a file, quoted for a message and cut short when long.
std::string Excerpt(std::string_view text);

// Reads a whole field as a single: blanks around it allowed, optional sign, decimal or
// exponent form ("1.5E-05"), and the "NaN", "Inf", "-Inf" texts the writer uses for values
// that are not finite. Empty when the field is not exactly one number. Magnitudes beyond the
// single range read as infinity, tiny ones as zero.
std::optional<float> ParseSingleField(std::string_view field);

// Reads a whole field as an integer; a fractional value is rounded, halves to even. Empty
// when the field is not a number or lies outside [lo, hi].
std::optional<int32_t> ParseIntField(std::string_view field, int32_t lo, int32_t hi);

// A path as Windows-1252 text for messages and headers (characters it lacks become "?").
std::string TextOfPath(const std::filesystem::path& path);

// Line breaks inside a single-line text value would split the record; they become spaces.
std::string OneLine(std::string_view text);

// The result of reading a file into memory.
struct ReadResult {
    bool Ok = false;        // the file was opened and read
    bool Missing = false;   // it does not exist
    bool Truncated = false; // larger than the limit; only the first part is in Bytes
    std::string Bytes;
    std::string Error; // "<path>" could not be read: why
};

// Reads up to maxBytes of a regular file. Pipes, devices and folders are refused unopened, so
// that a wrong choice can never hang the program.
ReadResult ReadWholeFile(const std::filesystem::path& path, size_t maxBytes);

// The outcome of writing a file: Ok, or the reason it failed (the old file is then intact).
struct WriteResult {
    bool Ok = true;
    std::string Error;
};

// Temporary files are hidden beside their target as "." + name + "." + pid + "." + tag + "."
// + kind; the tag is random, so that no one can plant a file or link under the name first.
std::string NewTempTag();
std::filesystem::path TempPathFor(const std::filesystem::path& target, std::string_view tag,
                                  std::string_view kind);

// The folder a file is in ("." for a bare name).
std::filesystem::path FolderOf(const std::filesystem::path& file);

// Names on disk as UTF-8 bytes and back, the same on every system.
std::string Utf8Name(const std::filesystem::path& p);
std::filesystem::path FromUtf8(std::string_view s);

// A set of page files saved under one name: "survey.csv", "survey_2.csv", ... up to page
// kMostPages; "_" + the page number goes before the last "." of the first page's name.
inline constexpr int32_t kMostPages = 16;
std::string PageName(std::string_view first, int32_t page);
// Whether name is page 2..kMostPages of the set whose first page is named first.
bool IsLaterPage(std::string_view name, std::string_view first);

// Finishes what saves into this folder left when they were cut short, and removes their
// temporary files. Only this user's own temporary files are touched, and only those whose run
// is gone (or that are more than a day old); a commit record renames and removes only files
// of its own page set, so that nothing planted in a shared folder can steer it.
void TidyFolder(const std::filesystem::path& folder);

// A file being written under a temporary name in the target's folder. Commit() flushes it to
// the disk and renames it over the target, so readers see the old file or the complete new
// one, never a part. The new file keeps the old one's permissions; a read-only target is
// refused. Dropping it uncommitted removes the temporary file.
class PendingFile {
public:
    explicit PendingFile(std::filesystem::path target, std::string tag = NewTempTag());
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;

    // False (with Error() set) once anything has failed; later calls then do nothing.
    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    const std::filesystem::path& Target() const { return target_; }
    const std::string& Tag() const { return tag_; }

    bool Write(std::string_view bytes);
    // Hands everything written to the system and starts writing it to the disk; the target
    // is not touched yet.
    bool Finish();
    // Waits until the data is on the disk and closes the temporary file.
    bool Seal();
    // Seals the file and renames it over the target. The rename is durable once
    // SyncFolderOf(target) has run.
    bool Commit();

private:
    void Fail(const std::string& what, int err);
    void Fail(const std::string& what, const std::string& reason);
    void Discard();

    std::filesystem::path target_;
    std::string tag_;
    std::filesystem::path temp_;
    std::FILE* file_ = nullptr;
    bool finished_ = false;
    bool sealed_ = false;
    bool committed_ = false;
    std::string error_;
};

// Replaces the targets of files (all in one folder, sharing one tag; the first is page 1 of
// the set) and then removes the files named in remove (later pages of that set), as one step:
// a run killed at any moment leaves the old files, or - once TidyFolder has run - the new ones,
// never a mixture.
WriteResult CommitTogether(std::vector<PendingFile>& files,
                           const std::vector<std::filesystem::path>& remove);

// Flushes a folder's entries to the disk, making renames into it durable.
void SyncFolderOf(const std::filesystem::path& file);

// Writes bytes to path through a PendingFile.
WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Moves a file that could not be read out of the way, as "<name>.bad" or, when that is taken,
// "<name>.2.bad", "<name>.3.bad" ...: an older one is never replaced. The name it was kept
// under, or empty with *why set.
std::filesystem::path KeepAsBad(const std::filesystem::path& file, std::string* why);

} // namespace vireon
