// Note-prompts reader on arbitrary bytes: never crashes, keeps the 25-note limit, what it
// writes back reads back as the same notes, and no note written into a log header changes how
// the log reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/HeaderNotes.h"
#include "files/LogFile.h"

namespace {
bool Same(const vireon::HeaderNoteTable& a, const vireon::HeaderNoteTable& b) {
    if (a.Count != b.Count || a.Unread != b.Unread) {
        return false;
    }
    for (int i = 1; i <= a.Count; ++i) {
        const auto& x = a.Entry[static_cast<size_t>(i)];
        const auto& y = b.Entry[static_cast<size_t>(i)];
        if (x.Question != y.Question || x.Label != y.Label || x.Value != y.Value) {
            return false;
        }
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vireon::HeaderNoteTable notes = vireon::ParseNoteQuery(text);
    if (notes.Count < 0 || notes.Count > vireon::HeaderNoteTable::kMaxNotes ||
        (notes.Count < vireon::HeaderNoteTable::kMaxNotes && !notes.Unread.empty())) {
        std::abort();
    }
    if (!Same(notes, vireon::ParseNoteQuery(vireon::NoteQueryText(notes)))) {
        std::abort();
    }
    static vireon::LogModel log = [] {
        vireon::LogModel m;
        m.RecordCnt = 1;
        m.LogUnits = "V/m";
        m.GraphScale = "0-35";
        return m;
    }();
    log.HeaderNotes = notes;
    const vireon::LoadResult r =
        vireon::ParseLogText(vireon::LogPageText(log, 1, 1, "n.csv", {}), "n.csv");
    if (r.RecordCnt != 1 || r.GraphScale != "0-35" || r.LogUnits != "V/m") {
        std::abort();
    }
    return 0;
}
