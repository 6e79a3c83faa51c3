#pragma once
// Figures over a whole log for the survey report: when it ran, how many samples at what rate,
// the lowest, highest and mean value of each column with the time of the highest, the time
// the total spent above an alarm level, and the averaging window of a moving-average log.
//
// Times of day are whole seconds (the log's resolution). A log may run past midnight: the time
// of day then falls back, and every fall of more than half a day counts as a new day.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vireon {

inline constexpr int64_t kSecondsPerDay = 86400;

struct ColumnStatistics {
    int32_t Count = 0; // values that are numbers (the others are left out of every figure)
    float Min = 0;
    float Max = 0;
    double Mean = 0;
    // Seconds from midnight of the first sample's day of the first sample holding Max.
    int64_t MaxAt = 0;
};

struct LogStatistics {
    int32_t Samples = 0;
    // The earliest and the latest sample, in seconds from midnight of the first sample's day;
    // End lies beyond a day when the log passed midnight.
    int64_t Start = 0;
    int64_t End = 0;
    int64_t Duration() const { return End - Start; }
    // Samples per second between the first and the last sample; empty when they share a second.
    std::optional<double> SampleRate;
    // Total, then X, Y, Z (column mode 1) or the moving average (column mode 2).
    std::vector<ColumnStatistics> Columns;
    // Seconds the total was above the alarm level (only asked with a level): each second of
    // the log counts by the share of its samples above the level, so a pause counts nothing.
    std::optional<double> SecondsAbove;
    // The moving average's window in seconds, as the first averages of a moving-average log
    // show it (during the first window each average is the sum so far over the window); empty
    // when they do not agree with any window (a log whose count was erased while it ran).
    std::optional<int32_t> AverageWindow;
};

// Rows are (time of day as a fraction of a day, total, then the other columns of the mode).
LogStatistics ComputeLogStatistics(std::span<const std::array<float, 5>> rows, int16_t columnMode,
                                   std::optional<float> alarmLevel = std::nullopt);

} // namespace vireon
