#pragma once
// Comm ports on Linux: a per-user folder of links COM1..COM24, each pointing at a device, in
// the manner of Wine's device folder. Without a link COM1 and COM2 mean /dev/ttyS0 and
// /dev/ttyS1. A USB adapter seen for the first time gets the lowest free number from 3 up,
// keyed by its /dev/serial/by-id name (the link itself is the record, so the number survives
// replugging and restarts). Links that appear or go away raise the arrival and removal events;
// libudev, a watch on the folder and a once-a-second scan all trigger the comparison.

#include "acquisition/PortCatalog.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

namespace vireon {

class LinuxPortCatalog : public QObject, public PortCatalog {
    Q_OBJECT
public:
    LinuxPortCatalog(std::string portsFolder, std::string byIdFolder = "/dev/serial/by-id",
                     QObject* parent = nullptr);
    ~LinuxPortCatalog() override;

    bool PortExists(int n) override;
    std::string DevicePath(int n) const override;

    // Compares the links with the last scan and raises the events for what changed.
    void Rescan();
    const std::string& Folder() const { return folder_; }

private:
    void AssignAdapters();
    bool LinkPresent(int n) const;
    void WatchFolders();

    std::string folder_;
    std::string byId_;
    PortSet present_{};
    QFileSystemWatcher watcher_;
    QTimer poll_;
    struct Udev;
    std::unique_ptr<Udev> udev_;
};

} // namespace vireon
