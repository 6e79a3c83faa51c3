#pragma once
// Timers and clocks of the running program.

#include "acquisition/Timing.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace vireon {

class QtTimer : public QObject, public Timer {
    Q_OBJECT
public:
    QtTimer(double intervalMs, bool enabled, QObject* parent = nullptr);
    void Interval(double ms) override;
    double Interval() const override { return interval_; }
    void Enabled(bool on) override;
    bool Enabled() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    double interval_;
};

class QtTimerFactory : public TimerFactory {
public:
    explicit QtTimerFactory(QObject* parent) : parent_(parent) {}
    std::unique_ptr<Timer> MakeTimer(double intervalMs, bool enabled) override;

private:
    QObject* parent_;
};

class QtClock : public Clock {
public:
    QtClock();
    double SecondsSinceMidnight() const override;
    double MonotonicMs() const override;
    void Delay(float ms) override;

private:
    QElapsedTimer elapsed_;
};

} // namespace vireon
