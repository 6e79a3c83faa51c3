#pragma once
// FramePacer: when the repaints that readings ask for go to the screen. A change after a quiet
// spell goes out at once. Changes that follow it within a frame go out together with the first
// change that finds the frame over, so that a steady stream of readings repaints from its own
// handlers and costs no wake-up of its own; should no such change come, a timer shows them two
// frames after the last repaint. However fast readings come, the screen is repainted at most
// once per refresh, and no change waits longer than two frames.
//
// How the window uses it: QtSurface reports every change to the pacer of the graph pictures
// (graph/qt), which calls Changed with its clock and, when told to, repaints after the delay
// returned (0: in this pass of the event loop), then calls Repainted.

#include <optional>

namespace vireon {

class FramePacer {
public:
    explicit FramePacer(double frameMs) : frame_(frameMs) {}

    // Something changed at `nowMs`: the delay before the repaint that shows it, or nothing
    // when the repaint on its way shows this change too and need not come sooner.
    std::optional<double> Changed(double nowMs);
    // The repaint went out at `nowMs`.
    void Repainted(double nowMs);

    double FrameMs() const { return frame_; }

private:
    double frame_;
    std::optional<double> last_;
    bool pending_ = false;
    bool brought_ = false; // the pending repaint was brought forward to now
};

} // namespace vireon
