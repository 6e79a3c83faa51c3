#pragma once
// A port list read again once a second: ports that join or leave it raise the arrival and
// removal events.

#include "acquisition/PortCatalog.h"

#include <QObject>
#include <QTimer>
#include <functional>

namespace vireon {

class PolledPortCatalog : public QObject, public PortCatalog {
public:
    explicit PolledPortCatalog(std::function<PortSet()> listed, QObject* parent = nullptr)
        : QObject(parent), listed_(std::move(listed)), present_(listed_()) {
        poll_.setInterval(1000);
        connect(&poll_, &QTimer::timeout, this, [this] { Rescan(); });
        poll_.start();
    }
    void Rescan() { Announce(present_, listed_()); }

private:
    std::function<PortSet()> listed_;
    PortSet present_{};
    QTimer poll_;
};

} // namespace vireon
