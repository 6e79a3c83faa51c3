// A log page's header facts and the report's figures over its rows, on arbitrary bytes: never
// crashes, and every figure keeps its order (lowest <= mean <= highest, the time of the highest
// within the log, no more time above the alarm than seconds in the log).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/LogStatistics.h"
#include "files/SurveyLog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vireon::LoadResult r = vireon::ParseLogText(text, "fuzz.csv");
    const vireon::LogHeaderFacts f = vireon::ParseLogHeader(r.HeaderLines);
    if (f.Page < 1 || f.PageCount < 1) {
        std::abort();
    }
    std::vector<std::array<float, 5>> rows;
    for (int32_t row = 1; row <= r.RecordCnt; ++row) {
        const auto& t = r.Table[static_cast<size_t>(row)];
        rows.push_back({t[1], t[2], t[3], t[4], t[5]});
    }
    const int16_t mode = vireon::ColumnModeOf(r.ValueColumns);
    const vireon::LogStatistics st = vireon::ComputeLogStatistics(rows, mode, 10.0F);
    if (st.Samples != r.RecordCnt || st.End < st.Start || !st.SecondsAbove ||
        *st.SecondsAbove > static_cast<double>(st.Duration()) + 1.0 + 1e-9) {
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
