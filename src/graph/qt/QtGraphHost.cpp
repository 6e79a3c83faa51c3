#include "graph/qt/QtGraphHost.h"

#include <QApplication>
#include <QCursor>

namespace vireon {

void QtGraphHost::BusyCursor(bool on) {
    // Override cursors stack; keep exactly one of ours.
    if (on && !busy_) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else if (!on && busy_) {
        QApplication::restoreOverrideCursor();
    }
    busy_ = on;
}

void QtGraphHost::ProgressStart(int32_t maximum) {
    if (progress_) {
        progress_->setRange(0, maximum);
        progress_->setValue(0);
        progress_->show();
    }
}

void QtGraphHost::ProgressValue(int32_t value) {
    if (progress_) {
        progress_->setValue(value);
    }
}

void QtGraphHost::ProgressEnd() {
    if (progress_) {
        progress_->hide();
    }
}

} // namespace vireon
