#pragma once
// Header notes: the test-condition questions, labels and remembered answers kept in the
// note-prompts file and written into each log header.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files/TextFile.h"

namespace vireon {

// The prompts file beside the program.
inline constexpr std::string_view kNotePromptsFileName = "testquery.txt";

struct HeaderNote {
    std::string Question; // shown in the input box at File > Save as...
    std::string Label;    // written in the log header
    std::string Value;    // the last answer, offered as the default next time
};

struct HeaderNoteTable {
    static constexpr int16_t kMaxNotes = 25;
    // Entries 1..Count are in use; slot 0 is not, so entries keep their numbers.
    std::array<HeaderNote, kMaxNotes + 1> Entry{};
    int16_t Count = 0;
    // Lines after the 25th note: not offered, but written back as they were so that editing
    // the file by hand never loses them.
    std::vector<std::string> Unread;
};

// Splits the prompts text: one note per non-empty line, at most 25. Each field is trimmed of
// spaces; the question is the text before the first comma, the label the text between the
// first and the last comma (so it may hold commas), the value the text after the last comma.
// With one comma there is no value; a line without a comma is a note with empty fields.
HeaderNoteTable ParseNoteQuery(std::string_view text);

// Reads the prompts file. A missing file gives no notes and no message; one that exists but
// cannot be read gives no notes, and *problem (when given) says why, for the window to show.
HeaderNoteTable LoadNoteQuery(const std::filesystem::path& path, std::string* problem = nullptr);

// The prompts text for the notes, CR LF ended. Commas in a question or an answer would move
// the next read's split points (an answer "Smith, J" would turn the label into
// "Operator,Smith"), so they are written as ";".
std::string NoteQueryText(const HeaderNoteTable& notes);

// Writes the notes back. With no notes nothing is written and the file keeps its content.
WriteResult SaveNoteQuery(const std::filesystem::path& path, const HeaderNoteTable& notes);

} // namespace vireon
