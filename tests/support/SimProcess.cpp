#include "support/SimProcess.h"

#include <QDeadlineTimer>
#include <csignal>
#include <sys/types.h>

namespace vireon::test {

SimProcess::SimProcess(const QString& portsDir, int com, const QStringList& extra)
    : proc_(std::make_unique<QProcess>()) {
    QStringList args{"--com", QString::number(com), "--ports-dir", portsDir};
    args += extra;
    proc_->setProcessChannelMode(QProcess::MergedChannels);
    proc_->start(PROBE_SIM_PATH, args);
    if (!proc_->waitForStarted(5000)) {
        return;
    }
    QDeadlineTimer deadline(5000);
    QByteArray out;
    while (!deadline.hasExpired()) {
        proc_->waitForReadyRead(100);
        out += proc_->readAll();
        const int at = out.indexOf("probe-sim: COM");
        const int nl = out.indexOf('\n', at);
        if (at >= 0 && nl > at) {
            const QList<QByteArray> parts = out.mid(at, nl - at).split(' ');
            device_ = parts.size() >= 3 ? QString::fromUtf8(parts[2]).trimmed() : QString();
            started_ = true;
            said_ = out;
            return;
        }
        if (proc_->state() != QProcess::Running) {
            return;
        }
    }
}

SimProcess::~SimProcess() {
    Stop();
}

void SimProcess::Stop() {
    if (proc_->state() == QProcess::Running) {
        proc_->terminate();
        if (!proc_->waitForFinished(3000)) {
            proc_->kill();
            proc_->waitForFinished(3000);
        }
    }
}

void SimProcess::Kill() {
    if (proc_->state() == QProcess::Running) {
        proc_->kill();
        proc_->waitForFinished(3000);
    }
}

void SimProcess::Signal(int sig) {
    if (proc_->state() == QProcess::Running) {
        ::kill(static_cast<pid_t>(proc_->processId()), sig);
    }
}

QString SimProcess::Output() const {
    // Everything the simulator said so far, not only what came since the last call.
    said_ += proc_->readAll();
    return QString::fromUtf8(said_);
}

} // namespace vireon::test
