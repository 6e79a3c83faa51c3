#include "graph/FramePacer.h"

#include <algorithm>

namespace vireon {

std::optional<double> FramePacer::Changed(double nowMs) {
    const bool frameOver = !last_ || nowMs >= *last_ + frame_;
    if (pending_) {
        if (brought_ || !frameOver) {
            return std::nullopt;
        }
        brought_ = true;
        return 0.0;
    }
    pending_ = true;
    brought_ = frameOver;
    return frameOver ? 0.0 : *last_ + 2 * frame_ - nowMs;
}

void FramePacer::Repainted(double nowMs) {
    pending_ = false;
    brought_ = false;
    last_ = nowMs;
}

} // namespace vireon
