#include "acquisition/QtPortCatalog.h"

#include <QSerialPortInfo>

namespace vireon {

namespace {
std::array<bool, kMaxCommPorts + 1> ListedPorts() {
    std::array<bool, kMaxCommPorts + 1> listed{};
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const int n = PortNumberFromDeviceName(info.portName().toStdString());
        if (n >= 1 && n <= kMaxCommPorts) {
            listed[static_cast<size_t>(n)] = true;
        }
    }
    return listed;
}
} // namespace

QtPortCatalog::QtPortCatalog(QObject* parent) : QObject(parent), present_(ListedPorts()) {
    poll_.setInterval(1000);
    connect(&poll_, &QTimer::timeout, this, [this] { Rescan(); });
    poll_.start();
}

bool QtPortCatalog::PortExists(int n) {
    return n >= 1 && n <= kMaxCommPorts && ListedPorts()[static_cast<size_t>(n)];
}

std::string QtPortCatalog::DevicePath(int n) const {
    return n >= 1 && n <= kMaxCommPorts ? "COM" + std::to_string(n) : std::string();
}

void QtPortCatalog::Rescan() {
    const auto now = ListedPorts();
    for (int n = 1; n <= kMaxCommPorts; ++n) {
        const auto i = static_cast<size_t>(n);
        if (now[i] == present_[i]) {
            continue;
        }
        present_[i] = now[i];
        const std::string name = "COM" + std::to_string(n);
        auto& event = now[i] ? DeviceArrival : DeviceRemoveComplete;
        if (event) {
            event(name);
        }
    }
}

} // namespace vireon
