#pragma once
// The moving average for human-exposure assessment: the averaging window chosen in the
// options, the "Moving Average" box shown from the View menu, and the once-a-second step that
// averages the total field over the window, keeps the timer in step with the clock, beeps at
// each full window, pauses periodic logging and logs a row.

#include "display/core/RecordingParts.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vireon {

class Recorder;

class MovingAverage {
public:
    MovingAverage(RecordingParts& p, Recorder& rec) : p_(p), rec_(rec) {}

    // Start-up: the window length from the configuration, the box as the configuration left
    // it.
    void AfterLoad();
    // MinAverDuration from MinAverText; a text outside the table is reported and changes
    // nothing.
    void SetMinuteAverTime();
    void ToggleExposure(bool show);
    void MnuViewExposure();
    bool Shown() const { return shown_; }

    // The HRTMinAve tick.
    void OnTick();
    // The housekeeping tick: the "Elasped Time" caption blinks once a full window is done.
    void Blink();
    // The window emptied (logging start, periodic restart).
    void Reset();
    // Ticks counted from now, the timer running at its nominal second.
    void Begin();

    // The averaging times offered: the window in seconds of a text ("6 Minute"), and back.
    static std::optional<int16_t> AverDuration(std::string_view text);
    static std::optional<std::string_view> AverText(int32_t seconds);
    // LabExposure's text for an average.
    static std::string ExposureText(float average);

    int16_t MinAverDuration = 360;
    int16_t MinAverCnt = 0;
    std::array<float, 1803> MinAverBuf{};
    float MinAverTotal = 0;
    float ExposureTicks = 0;
    float ExposureStart = 0;
    int16_t TickTrim = 0;
    int16_t ElasedOverFlag = 0;
    float Average = 0;

    static constexpr const char* kBadAverTime = "Error in setting minute average.";

private:
    float NowAfter(float start) const;

    RecordingParts& p_;
    Recorder& rec_;
    bool shown_ = false;
};

} // namespace vireon
