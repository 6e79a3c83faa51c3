#pragma once
// When each character crosses a serial line at a fixed baud rate: ten bit times a character
// (start bit, eight data bits, stop bit). A burst is laid on an absolute schedule from the
// moment it is ready, so waking up late never slows the line down: whatever fell due in the
// meantime goes at once. A burst that is ready while the line is still busy follows the one
// before it.

#include <chrono>
#include <cstddef>
#include <functional>

namespace vireon::sim {

using Nanos = std::chrono::nanoseconds;
// Monotonic time since a fixed start; tests drive a manual one.
using MonotonicClock = std::function<Nanos()>;

class WireSchedule {
public:
    // Baud 0 is a line without pacing: every character is across as soon as it is queued.
    WireSchedule(long baud, MonotonicClock clock);

    // Queues n characters that became ready at `ready` (at the latest now) and returns when the
    // first of them goes on the line.
    Nanos Queue(size_t n, Nanos ready);
    Nanos Queue(size_t n) { return Queue(n, clock_()); }

    // Characters queued so far whose time on the line has begun: a sender writes them now.
    size_t Started() const;
    // Characters queued so far whose last bit is across: a receiver has them now.
    size_t Arrived() const;
    // When character `index` (counted over everything queued) starts; `index` == the count
    // queued gives the time the line falls idle.
    Nanos StartOf(size_t index) const;
    Nanos ArrivalOf(size_t index) const { return StartOf(index + 1); }
    size_t Queued() const { return queued_; }
    Nanos Now() const { return clock_(); }

private:
    // Whole character times in `span`, and the span of `n` characters (rounded up, so that a
    // character is never due early).
    long long Characters(Nanos span) const;
    Nanos SpanOf(size_t n) const;
    size_t CountBy(Nanos t, bool started) const;

    long baud_;
    MonotonicClock clock_;
    size_t queued_ = 0;
    // The characters before the current run went back to back earlier and are all across.
    size_t runFirst_ = 0;
    Nanos runStart_{0};
};

} // namespace vireon::sim
