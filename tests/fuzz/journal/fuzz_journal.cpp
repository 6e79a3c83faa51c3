// Recovery-journal reader on arbitrary bytes: never crashes, never returns more rows than a
// log holds, and keeps the shape of what it returns.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/Journal.h"
#include "files/LogFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vireon::JournalContent j = vireon::ParseJournal(text);
    const int16_t mode = j.Header.LogColumnMode;
    const bool shapeOk = j.Rows.size() <= static_cast<size_t>(vireon::kLogMaxRows) && mode >= 0 &&
                         mode <= 2 && (j.Ok || j.Rows.empty());
    if (!shapeOk) {
        std::abort();
    }
    // Value columns past the mode's stay zero.
    const size_t values = mode == 1 ? 4 : (mode == 2 ? 2 : 1);
    for (const auto& row : j.Rows) {
        for (size_t c = values + 1; c < row.size(); ++c) {
            if (row[c] != 0.0f) {
                std::abort();
            }
        }
    }
    return 0;
}
