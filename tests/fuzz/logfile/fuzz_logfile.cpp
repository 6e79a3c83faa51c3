// Log-file reader on arbitrary bytes: never crashes, never fills past its table, never hands
// the graph a value it cannot draw, and keeps the documented shape of what it returns.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/LogFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vireon::LoadResult r = vireon::ParseLogText(text, "fuzz.csv");
    const bool shapeOk = r.Ok == r.Error.empty() && (r.Ok || r.RecordCnt == 0) &&
                         r.RecordCnt >= 0 && r.RecordCnt <= vireon::kPageRows &&
                         r.Table.size() == static_cast<size_t>(r.RecordCnt) + 1 &&
                         r.ValueColumns >= 0 && r.ValueColumns <= vireon::kMaxValueColumns &&
                         r.Table[0] == std::array<float, 6>{} &&
                         (r.HasHeader || r.HeaderLines.empty());
    // A page number comes from a header only, and within its page count.
    if (!shapeOk || r.Page > r.Pages || r.Pages > vireon::kMostPages ||
        (r.Pages != 0 && (r.Page == 0 || !r.HasHeader))) {
        std::abort();
    }
    // Column 0 and the columns past the values read stay zero; the rest are finite.
    for (size_t row = 1; row < r.Table.size(); ++row) {
        for (size_t c = 0; c < 6; ++c) {
            if (!std::isfinite(r.Table[row][c]) ||
                ((c == 0 || c > static_cast<size_t>(r.ValueColumns) + 1) &&
                 r.Table[row][c] != 0.0f)) {
                std::abort();
            }
        }
    }
    // The time texts of what was read can be written again.
    for (int32_t row = 1; row <= r.RecordCnt && row <= 16; ++row) {
        (void)vireon::FormatTimeStr(r.Table[static_cast<size_t>(row)][1]);
    }
    return 0;
}
