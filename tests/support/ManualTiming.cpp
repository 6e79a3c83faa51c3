#include "support/ManualTiming.h"

#include <algorithm>

namespace vireon::test {

ManualTimer::ManualTimer(ManualScheduler& s, double interval, bool enabled)
    : s_(s), interval_(interval), enabled_(false) {
    s_.timers_.push_back(this);
    Enabled(enabled);
}

ManualTimer::~ManualTimer() {
    auto& v = s_.timers_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

void ManualTimer::Interval(double ms) {
    interval_ = ms;
    Enabled(enabled_); // a running timer starts its period afresh
}

void ManualTimer::Enabled(bool on) {
    enabled_ = on;
    if (on) {
        due_ = s_.now_ + std::max(1.0, interval_);
        ++restarts_;
    }
}

void ManualTimer::Fire() {
    // Ticks keep to the period's grid, as Qt's precise timers do; a tick more than a whole
    // period late starts the grid afresh.
    due_ += std::max(1.0, interval_);
    if (due_ < s_.now_) {
        due_ = s_.now_ + std::max(1.0, interval_);
    }
    if (OnTick) {
        OnTick();
    }
}

std::unique_ptr<Timer> ManualScheduler::MakeTimer(double intervalMs, bool enabled) {
    return std::make_unique<ManualTimer>(*this, intervalMs, enabled);
}

void ManualScheduler::Advance(double ms) {
    const double target = now_ + ms;
    for (;;) {
        ManualTimer* next = nullptr;
        for (ManualTimer* t : timers_) {
            if (t->enabled_ && t->due_ <= target && (next == nullptr || t->due_ < next->due_)) {
                next = t;
            }
        }
        if (next == nullptr) {
            break;
        }
        now_ = std::max(now_, next->due_);
        next->Fire();
    }
    // A tick that delayed (a nested Advance) may already have gone past the target.
    now_ = std::max(now_, target);
}

} // namespace vireon::test
