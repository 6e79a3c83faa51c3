#pragma once
// Acquisition pacing seen from the window: the sample-rate choice and its lists, the readout
// throttle, and the 500 ms housekeeping tick (start progress, measured rate, status text).

#include "acquisition/Timing.h"
#include "display/core/Face.h"
#include "display/core/WindowState.h"
#include "display/core/WindowView.h"
#include "probe/clsProbe.h"

#include <functional>
#include <string>
#include <vector>

namespace vireon {

class RateControl {
public:
    RateControl(WindowState& s, ControlsView& view, Face& face, clsProbe& probe, Timer& upDateText,
                Timer& play)
        : s_(s), v_(view), face_(face), probe_(probe), upDateText_(upDateText), play_(play) {}

    void SetSampleRate(const std::string& rate);
    // The rates offered: the fast list ("125" ... "46", "44" ... "1") or "20" ... "1", then
    // "Max".
    static std::vector<std::string> RateList(bool fast);
    // Start-up: the list by the configured rate, the configured rate selected.
    void FillSampleRates();
    // Updates per second; returns the value used (at most 70).
    int16_t SetTextUpdateTimer(int16_t perSecond);
    // The HRTCalSamPerSec tick.
    void Housekeeping();

    // Items of the housekeeping tick that later features fill in, run in their place.
    std::function<void()> AlarmCheck;
    std::function<void()> Blinkers;
    std::function<void()> BatteryBlink;
    std::function<void()> LogCount;

private:
    WindowState& s_;
    ControlsView& v_;
    Face& face_;
    clsProbe& probe_;
    Timer& upDateText_;
    Timer& play_;
};

} // namespace vireon
