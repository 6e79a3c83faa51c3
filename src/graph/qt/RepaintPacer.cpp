#include "graph/qt/RepaintPacer.h"

#include "graph/qt/GraphPicture.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace vireon {

namespace {

double FrameMs() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double hz = screen != nullptr ? screen->refreshRate() : 0.0;
    // Some platforms report nothing useful; 60 Hz is the common screen.
    return 1000.0 / (hz >= 20.0 && hz <= 500.0 ? hz : 60.0);
}

} // namespace

RepaintPacer& RepaintPacer::Instance() {
    static QPointer<RepaintPacer> pacer;
    if (pacer.isNull()) {
        pacer = new RepaintPacer(QCoreApplication::instance());
    }
    return *pacer;
}

RepaintPacer::RepaintPacer(QObject* parent) : QObject(parent), pacer_(FrameMs()) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { Frame(); });
    clock_.start();
}

void RepaintPacer::Changed(GraphPicture* picture) {
    if (std::find(waiting_.begin(), waiting_.end(), picture) == waiting_.end()) {
        waiting_.emplace_back(picture);
    }
    const auto wait = pacer_.Changed(static_cast<double>(clock_.nsecsElapsed()) / 1e6);
    if (wait) {
        // Never before the frame: a timer rounds to whole milliseconds.
        timer_.start(static_cast<int>(std::ceil(*wait)));
    }
}

void RepaintPacer::Frame() {
    pacer_.Repainted(static_cast<double>(clock_.nsecsElapsed()) / 1e6);
    // Taken first: a picture may report a change while it hands its own over.
    const std::vector<QPointer<GraphPicture>> pictures = std::move(waiting_);
    waiting_.clear();
    for (const QPointer<GraphPicture>& p : pictures) {
        if (!p.isNull()) {
            p->ShowChanges();
        }
    }
}

} // namespace vireon
