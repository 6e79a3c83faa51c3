#pragma once
// Comm ports where the system names them itself (COMn on Windows): the ports Qt lists, polled
// once a second for arrivals and removals.

#include "acquisition/PortCatalog.h"

#include <QObject>
#include <QTimer>
#include <array>

namespace vireon {

class QtPortCatalog : public QObject, public PortCatalog {
    Q_OBJECT
public:
    explicit QtPortCatalog(QObject* parent = nullptr);

    bool PortExists(int n) override;
    std::string DevicePath(int n) const override;
    void Rescan();

private:
    std::array<bool, kMaxCommPorts + 1> present_{};
    QTimer poll_;
};

} // namespace vireon
