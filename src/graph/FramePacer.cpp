#include "graph/FramePacer.h"

#include <algorithm>

namespace vireon {

std::optional<double> FramePacer::Changed(double nowMs) {
    if (pending_) {
        return std::nullopt;
    }
    pending_ = true;
    return last_ ? std::max(0.0, *last_ + frame_ - nowMs) : 0.0;
}

void FramePacer::Repainted(double nowMs) {
    pending_ = false;
    last_ = nowMs;
}

} // namespace vireon
