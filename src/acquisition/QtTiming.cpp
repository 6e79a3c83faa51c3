#include "acquisition/QtTiming.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTime>
#include <cmath>

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
    // The window keeps painting and the timers keep ticking while it waits; input waits until
    // the delay is over, and the read cycle guards itself against its own timer. A QTimer
    // counts on the monotonic clock, so a delay that spans midnight still ends on time.
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(std::lround(std::max(0.0F, ms))), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace vireon
