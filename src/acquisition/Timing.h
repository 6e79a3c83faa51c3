#pragma once
// Timers and clocks: the program uses Qt timers and the system clocks, tests a manual scheduler
// that advances virtual time.

#include <functional>
#include <memory>

namespace vireon {

class Timer {
public:
    virtual ~Timer() = default;
    // Period in milliseconds; setting it on a running timer restarts its period.
    virtual void Interval(double ms) = 0;
    virtual double Interval() const = 0;
    // Enabling (also when already enabled) starts a fresh period. Left alone, a running timer
    // ticks on a fixed grid: a tick that comes late does not move the ones after it (one late
    // by more than a whole period starts the grid afresh).
    virtual void Enabled(bool on) = 0;
    virtual bool Enabled() const = 0;

    std::function<void()> OnTick;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual double SecondsSinceMidnight() const = 0;
    virtual double MonotonicMs() const = 0;
    // Waits `ms` on the monotonic clock. The window keeps painting and timers keep ticking
    // meanwhile (the read cycle guards itself); user input waits until the delay is over.
    virtual void Delay(float ms) = 0;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> MakeTimer(double intervalMs, bool enabled) = 0;
};

} // namespace vireon
