#include "acquisition/QtPortCatalog.h"

#include <QSerialPortInfo>

namespace vireon {

namespace {
PortSet ListedPorts() {
    PortSet listed{};
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const int n = PortNumberFromDeviceName(info.portName().toStdString());
        if (n >= 1 && n <= kMaxCommPorts) {
            listed[static_cast<size_t>(n)] = true;
        }
    }
    return listed;
}
} // namespace

QtPortCatalog::QtPortCatalog(QObject* parent) : PolledPortCatalog(ListedPorts, parent) {}

bool QtPortCatalog::PortExists(int n) {
    return n >= 1 && n <= kMaxCommPorts && ListedPorts()[static_cast<size_t>(n)];
}

std::string QtPortCatalog::DevicePath(int n) const {
    return n >= 1 && n <= kMaxCommPorts ? "COM" + std::to_string(n) : std::string();
}

} // namespace vireon
