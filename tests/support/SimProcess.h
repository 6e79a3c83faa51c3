#pragma once
// Starts probe-sim as a child process on a test's own ports folder and waits until its link is
// in place.

#include "support/TempDir.h"
#include "support/WaitFor.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

namespace vireon::test {

class SimProcess {
public:
    SimProcess(const QString& portsDir, int com, const QStringList& extra = {});
    ~SimProcess();
    bool Started() const { return started_; }
    // SIGTERM: the simulator removes its link and exits.
    void Stop();
    // SIGKILL: the link stays behind, dangling once the line is gone.
    void Kill();
    // Any other signal, such as SIGUSR1 (the low-battery flag turns over).
    void Signal(int sig);
    QString Output() const;
    QString Device() const { return device_; }

private:
    std::unique_ptr<QProcess> proc_;
    bool started_ = false;
    QString device_;
    mutable QByteArray said_;
};

// A fresh, empty folder under the build tree's test area, removed with the object.
struct TempFolder : testing::TempDir {
    QString Path() const { return QString::fromStdString(TempDir::Path().string()); }
};

} // namespace vireon::test
