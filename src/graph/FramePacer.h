#pragma once
// FramePacer: when the repaints that readings ask for go to the screen. A change after a quiet
// spell goes out at once; changes that follow it within a frame wait for the next frame and go
// out together. However fast readings come, the screen is then repainted at most once per
// refresh, and every change reaches it within one frame.
//
// How the window uses it: QtSurface reports the first change after each repaint to the pacer
// of the graph pictures (graph/qt), which calls Changed with its clock and, when told to,
// repaints after the delay returned, then calls Repainted.

#include <optional>

namespace vireon {

class FramePacer {
public:
    explicit FramePacer(double frameMs) : frame_(frameMs) {}

    // Something changed at `nowMs`: the delay before the repaint that shows it, or nothing
    // when a repaint is already on its way (it shows this change too).
    std::optional<double> Changed(double nowMs);
    // The repaint went out at `nowMs`.
    void Repainted(double nowMs);

    double FrameMs() const { return frame_; }

private:
    double frame_;
    std::optional<double> last_;
    bool pending_ = false;
};

} // namespace vireon
