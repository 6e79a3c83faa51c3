#include "files/LogStatistics.h"

#include "common/numfmt.h"
#include "files/LogFile.h"

#include <algorithm>
#include <cmath>

namespace vireon {

namespace {

int64_t SecondsOfDay(float t) {
    return static_cast<int64_t>(Near(static_cast<double>(t) * kSecondsPerDay));
}

// The first ten averages of a moving-average log are sums so far over the window (the slots
// not yet filled count as 0), so the first that is not 0 gives the window, and the next one
// must agree with it.
std::optional<int32_t> AverageWindowOf(std::span<const std::array<float, 5>> rows) {
    constexpr int32_t kLongestWindow = 1800;
    float sum = 0;
    for (size_t k = 0; k < std::min<size_t>(rows.size(), 10); ++k) {
        sum += rows[k][1];
        const float average = rows[k][2];
        if (!(average > 0.0F) || !std::isfinite(sum)) {
            continue;
        }
        const double window = static_cast<double>(sum) / average;
        const double whole = std::round(window);
        if (whole < 1 || whole > kLongestWindow || std::fabs(window - whole) > 1e-3 * whole) {
            return std::nullopt;
        }
        if (k + 1 < rows.size()) {
            const float next = (sum + rows[k + 1][1]) / static_cast<float>(whole);
            if (std::fabs(next - rows[k + 1][2]) > 1e-5 * std::fabs(next)) {
                return std::nullopt;
            }
        }
        return static_cast<int32_t>(whole);
    }
    return std::nullopt;
}

} // namespace

LogStatistics ComputeLogStatistics(std::span<const std::array<float, 5>> rows, int16_t columnMode,
                                   std::optional<float> alarmLevel) {
    LogStatistics st;
    const auto columns = static_cast<size_t>(ValueCount(columnMode));
    st.Columns.resize(columns);
    std::vector<double> sums(columns, 0.0);
    st.Samples = static_cast<int32_t>(rows.size());

    int64_t day = 0;
    int64_t previous = 0;
    // For the alarm: the second of each sample and whether its total was above the level.
    std::vector<std::pair<int64_t, bool>> seconds;
    if (alarmLevel) {
        seconds.reserve(rows.size());
    }

    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        const int64_t ofDay = SecondsOfDay(row[0]);
        if (i > 0 && ofDay + kSecondsPerDay / 2 < previous) {
            day += kSecondsPerDay; // midnight passed
        }
        previous = ofDay;
        const int64_t at = ofDay + day;
        st.Start = i == 0 ? at : std::min(st.Start, at);
        st.End = i == 0 ? at : std::max(st.End, at);

        for (size_t c = 0; c < columns; ++c) {
            const float v = row[c + 1];
            if (!std::isfinite(v)) {
                continue;
            }
            ColumnStatistics& col = st.Columns[c];
            if (col.Count == 0 || v > col.Max) {
                col.Max = v;
                col.MaxAt = at;
            }
            col.Min = col.Count == 0 ? v : std::min(col.Min, v);
            sums[c] += v;
            ++col.Count;
        }
        if (alarmLevel) {
            seconds.emplace_back(at, std::isfinite(row[1]) && row[1] > *alarmLevel);
        }
    }
    for (size_t c = 0; c < columns; ++c) {
        if (st.Columns[c].Count > 0) {
            st.Columns[c].Mean = sums[c] / st.Columns[c].Count;
        }
    }
    if (st.Duration() > 0) {
        st.SampleRate = static_cast<double>(st.Samples - 1) / static_cast<double>(st.Duration());
    }
    if (alarmLevel) {
        // Each second counts by the share of its samples above the level; a clock that stepped
        // back does not count a second twice.
        std::sort(seconds.begin(), seconds.end());
        double above = 0;
        for (size_t i = 0; i < seconds.size();) {
            size_t j = i;
            int32_t in = 0;
            for (; j < seconds.size() && seconds[j].first == seconds[i].first; ++j) {
                in += seconds[j].second ? 1 : 0;
            }
            above += static_cast<double>(in) / static_cast<double>(j - i);
            i = j;
        }
        st.SecondsAbove = above;
    }
    if (columnMode == 2) {
        st.AverageWindow = AverageWindowOf(rows);
    }
    return st;
}

} // namespace vireon
