#include "acquisition/QtTiming.h"

#include <QCoreApplication>
#include <QTime>
#include <chrono>
#include <cmath>
#include <thread>

namespace vireon {

QtTimer::QtTimer(double intervalMs, bool enabled, QObject* parent)
    : QObject(parent), interval_(intervalMs) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(static_cast<int>(std::lround(std::max(0.0, intervalMs))));
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (OnTick) {
            OnTick();
        }
    });
    if (enabled) {
        timer_.start();
    }
}

void QtTimer::Interval(double ms) {
    interval_ = ms;
    // A period of 0 would flood the event queue; 1 ms is the finest the read cycle asks for.
    timer_.setInterval(static_cast<int>(std::max(1L, std::lround(ms))));
}

void QtTimer::Enabled(bool on) {
    if (on) {
        timer_.start();
    } else {
        timer_.stop();
    }
}

std::unique_ptr<Timer> QtTimerFactory::MakeTimer(double intervalMs, bool enabled) {
    return std::make_unique<QtTimer>(intervalMs, enabled, parent_);
}

QtClock::QtClock() {
    elapsed_.start();
}

double QtClock::SecondsSinceMidnight() const {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

double QtClock::MonotonicMs() const {
    return static_cast<double>(elapsed_.nsecsElapsed()) / 1e6;
}

void QtClock::Delay(float ms) {
    QCoreApplication::processEvents();
    // Measured on the monotonic clock so a delay that spans midnight still ends on time.
    const double until = MonotonicMs() + ms;
    while (MonotonicMs() < until) {
        const double left = until - MonotonicMs();
        std::this_thread::sleep_for(
            std::chrono::microseconds(static_cast<long>(std::min(left, 2.0) * 1000.0) + 1));
    }
}

} // namespace vireon
