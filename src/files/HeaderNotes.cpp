#include "files/HeaderNotes.h"

#include <algorithm>

namespace vireon {

namespace {

// A prompts file is a few lines; anything beyond this is not a prompts file.
constexpr size_t kMaxPromptsBytes = 1 << 20;

void SplitNote(std::string_view line, HeaderNote& note) {
    const size_t first = line.find(',');
    if (first == std::string_view::npos) {
        return;
    }
    note.Question = std::string(TrimSpaces(line.substr(0, first)));
    const size_t last = line.rfind(',');
    if (last == first) {
        note.Label = std::string(TrimSpaces(line.substr(first + 1)));
        return;
    }
    note.Label = std::string(TrimSpaces(line.substr(first + 1, last - first - 1)));
    if (last + 1 < line.size()) {
        note.Value = std::string(TrimSpaces(line.substr(last + 1)));
    }
}

std::string NoCommas(std::string_view text) {
    std::string out = OneLine(text);
    std::replace(out.begin(), out.end(), ',', ';');
    return out;
}

} // namespace

HeaderNoteTable ParseNoteQuery(std::string_view text) {
    HeaderNoteTable notes;
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.Next(line)) {
        if (line.empty()) {
            continue;
        }
        if (notes.Count >= HeaderNoteTable::kMaxNotes) {
            notes.Unread.emplace_back(line);
            continue;
        }
        notes.Count += 1;
        SplitNote(line, notes.Entry[static_cast<size_t>(notes.Count)]);
    }
    return notes;
}

HeaderNoteTable LoadNoteQuery(const std::filesystem::path& path, std::string* problem) {
    const ReadResult file = ReadWholeFile(path, kMaxPromptsBytes);
    if (!file.Ok) {
        if (problem != nullptr && !file.Missing) {
            *problem = file.Error;
        }
        return HeaderNoteTable{};
    }
    if (file.Truncated) {
        // Half a file read would lose the rest at the next save: read nothing instead.
        if (problem != nullptr) {
            *problem = "\"" + TextOfPath(path) + "\" is larger than 1 MiB, the most a prompts " +
                       "file may hold; it was not read.";
        }
        return HeaderNoteTable{};
    }
    return ParseNoteQuery(file.Bytes);
}

std::string NoteQueryText(const HeaderNoteTable& notes) {
    std::string out;
    const int16_t count = std::clamp<int16_t>(notes.Count, 0, HeaderNoteTable::kMaxNotes);
    for (int16_t i = 1; i <= count; ++i) {
        const HeaderNote& n = notes.Entry[static_cast<size_t>(i)];
        out += NoCommas(n.Question);
        out += ',';
        out += OneLine(n.Label);
        out += ',';
        out += NoCommas(n.Value);
        out += kLineEnd;
    }
    for (const std::string& line : notes.Unread) {
        out += OneLine(line);
        out += kLineEnd;
    }
    return out;
}

WriteResult SaveNoteQuery(const std::filesystem::path& path, const HeaderNoteTable& notes) {
    if (notes.Count <= 0) {
        return WriteResult{};
    }
    return WriteFileAtomically(path, NoteQueryText(notes));
}

} // namespace vireon
