#include "dialogs/ProgramEnd.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QThread>
#include <QTimer>

namespace vireon {

namespace {

constexpr int kRetryMs = 20;

// A dialog waiting in exec() for its answer.
QDialog* Asking(QObject* o) {
    auto* d = qobject_cast<QDialog*>(o);
    return d != nullptr && d->isWindow() && d->testAttribute(Qt::WA_ShowModal) ? d : nullptr;
}

} // namespace

ProgramEnd::ProgramEnd(std::function<void()> shutdown, QObject* parent)
    : QObject(parent), shutdown_(std::move(shutdown)) {}

ProgramEnd::~ProgramEnd() {
    if (requested_) {
        qApp->removeEventFilter(this);
    }
}

void ProgramEnd::Request() {
    if (!requested_) {
        requested_ = true;
        qApp->installEventFilter(this);
    }
    // Rejected, not closed: closing a message box would click its escape button, which
    // answers the question ("No") in the user's name.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (QDialog* d = Asking(w)) {
            d->reject();
        }
    }
    TryEnd();
}

void ProgramEnd::OutermostLoop(int level) {
    outermost_ = level;
}

void ProgramEnd::TryEnd() {
    if (done_) {
        return;
    }
    const int level = QThread::currentThread()->loopLevel();
    if (outermost_ == 0 || level > outermost_) {
        // Still under a question or a wait: once more when control is back in a loop.
        QTimer::singleShot(kRetryMs, this, &ProgramEnd::TryEnd);
        return;
    }
    done_ = true;
    shutdown_();
}

bool ProgramEnd::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        if (QDialog* d = Asking(watched)) {
            // Its exec() has not started its loop yet; the rejection waits for that loop.
            QMetaObject::invokeMethod(d, &QDialog::reject, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vireon
