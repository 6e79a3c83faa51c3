#include "wire_schedule.h"

#include <algorithm>

namespace vireon::sim {

namespace {
// Bit times of one character times nanoseconds per second: a character lasts kCharNs / baud ns.
constexpr long long kCharNs = 10LL * 1000000000LL;
} // namespace

WireSchedule::WireSchedule(long baud, MonotonicClock clock)
    : baud_(std::max(0L, baud)), clock_(std::move(clock)) {}

// Both conversions split off whole multiples of ten seconds first, so that the products stay
// far inside 64 bits however long the line has been busy.
long long WireSchedule::Characters(Nanos span) const {
    const long long ns = span.count();
    return ns / kCharNs * baud_ + ns % kCharNs * baud_ / kCharNs;
}

Nanos WireSchedule::SpanOf(size_t n) const {
    const auto count = static_cast<long long>(n);
    const long long part = count % baud_ * kCharNs;
    return Nanos(count / baud_ * kCharNs + (part + baud_ - 1) / baud_);
}

Nanos WireSchedule::Queue(size_t n, Nanos ready) {
    ready = std::min(ready, clock_());
    if (baud_ == 0) {
        queued_ += n;
        runFirst_ = queued_;
        runStart_ = ready;
        return ready;
    }
    const Nanos free = StartOf(queued_);
    if (ready >= free) {
        runFirst_ = queued_;
        runStart_ = ready;
    }
    queued_ += n;
    return std::max(ready, free);
}

Nanos WireSchedule::StartOf(size_t index) const {
    if (baud_ == 0 || index < runFirst_) {
        return runStart_; // long across
    }
    return runStart_ + SpanOf(index - runFirst_);
}

size_t WireSchedule::CountBy(Nanos t, bool started) const {
    if (baud_ == 0) {
        return queued_;
    }
    if (t < runStart_) {
        return runFirst_;
    }
    const auto whole = static_cast<size_t>(Characters(t - runStart_)) + (started ? 1 : 0);
    return runFirst_ + std::min(whole, queued_ - runFirst_);
}

size_t WireSchedule::Started() const {
    return CountBy(clock_(), true);
}

size_t WireSchedule::Arrived() const {
    return CountBy(clock_(), false);
}

} // namespace vireon::sim
