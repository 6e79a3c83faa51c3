#pragma once
// Playback of a log read by File > Open: row by row at the chosen sample rate through the
// readouts, playback peaks, time graph and bar graph, with the probe link idle.

#include "display/core/RecordingParts.h"

#include <array>
#include <cstdint>

namespace vireon {

class Playback {
public:
    explicit Playback(RecordingParts& p) : p_(p) {}

    // Probe > Play: refused while a probe is talking or without a sample rate.
    void MnuProbePlay();
    void PlayData();
    // The HRTPlay tick.
    void OnTick();
    // Ends a playback under way (Start takes the line back).
    void Stop();
    bool Playing() const { return p_.play.Enabled(); }

    int32_t PlayRow = 0;
    std::array<float, 4> PlayPeaks{}; // total, X, Y, Z

    static constexpr const char* kProbeActive =
        "Unable to play data while communicating with a probe.  Turn probe off and retry";
    static constexpr const char* kNoSampleRate = "The sample rate must be set before proceeding.";

private:
    void End();

    RecordingParts& p_;
};

} // namespace vireon
