// Log-file reader on arbitrary bytes: never crashes, never fills past its table, never hands
// the graph a value it cannot draw, and keeps the documented shape of what it returns; the
// header facts and the report's figures over the rows keep their order (lowest <= mean <=
// highest, the time of the highest within the log, no more time above the alarm than seconds
// in the log).
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "files/LogFile.h"
#include "files/LogStatistics.h"
#include "files/SurveyLog.h"

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
    std::vector<std::array<float, 5>> rows;
    for (size_t row = 1; row < r.Table.size(); ++row) {
        const auto& t = r.Table[row];
        for (size_t c = 0; c < 6; ++c) {
            if (!std::isfinite(t[c]) ||
                ((c == 0 || c > static_cast<size_t>(r.ValueColumns) + 1) && t[c] != 0.0f)) {
                std::abort();
            }
        }
        rows.push_back({t[1], t[2], t[3], t[4], t[5]});
    }
    // The time texts of what was read can be written again.
    for (int32_t row = 1; row <= r.RecordCnt && row <= 16; ++row) {
        (void)vireon::FormatTimeStr(r.Table[static_cast<size_t>(row)][1]);
    }
    const vireon::LogHeaderFacts f = vireon::ParseLogHeader(r.HeaderLines);
    const vireon::LogStatistics st =
        vireon::ComputeLogStatistics(rows, vireon::ColumnModeOf(r.ValueColumns), 10.0F);
    if (f.Page < 1 || f.PageCount < 1 || st.Samples != r.RecordCnt || st.End < st.Start ||
        !st.SecondsAbove || *st.SecondsAbove > static_cast<double>(st.Duration()) + 1.0 + 1e-9) {
        std::abort();
    }
    for (const vireon::ColumnStatistics& c : st.Columns) {
        const bool ordered = c.Count == 0 || (c.Min <= c.Mean + 1e-6 * std::abs(c.Mean) &&
                                              c.Mean <= c.Max + 1e-6 * std::abs(c.Max) &&
                                              c.MaxAt >= st.Start && c.MaxAt <= st.End);
        if (!ordered) {
            std::abort();
        }
    }
    return 0;
}
