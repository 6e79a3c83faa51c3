#pragma once
// Virtual time for tests: timers fire in time order as the test advances the clock.

#include "acquisition/Timing.h"

#include <memory>
#include <vector>

namespace vireon::test {

class ManualScheduler;

class ManualTimer : public Timer {
public:
    ManualTimer(ManualScheduler& s, double interval, bool enabled);
    ~ManualTimer() override;
    void Interval(double ms) override;
    double Interval() const override { return interval_; }
    void Enabled(bool on) override;
    bool Enabled() const override { return enabled_; }
    // How often the period was started afresh (Interval, or Enabled(true)).
    int Restarts() const { return restarts_; }
    void Fire();

private:
    friend class ManualScheduler;
    ManualScheduler& s_;
    double interval_;
    bool enabled_;
    double due_ = 0;
    int restarts_ = 0;
};

class ManualScheduler : public TimerFactory, public Clock {
public:
    std::unique_ptr<Timer> MakeTimer(double intervalMs, bool enabled) override;
    double SecondsSinceMidnight() const override { return midnightOffset_ + now_ / 1000.0; }
    double MonotonicMs() const override { return now_; }
    // Timers keep firing while delaying, as in the program.
    void Delay(float ms) override { Advance(ms); }

    // Advances virtual time by `ms`, firing every tick that falls due on the way.
    void Advance(double ms);
    // A handler that runs for `ms`: time passes and nothing fires; ticks that fell due
    // meanwhile come late, at the next Advance.
    void Busy(double ms) { now_ += ms; }
    double Now() const { return now_; }
    void SetSecondsSinceMidnight(double s) { midnightOffset_ = s - now_ / 1000.0; }

private:
    friend class ManualTimer;
    double now_ = 0;
    double midnightOffset_ = 0;
    std::vector<ManualTimer*> timers_;
};

} // namespace vireon::test
