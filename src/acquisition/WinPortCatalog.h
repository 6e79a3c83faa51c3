#pragma once
// Comm ports on Windows. The serial drivers list each port they serve ("COMn") under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM while its device is there; the list is read once a second,
// and ports that join or leave it raise the arrival and removal events.

#include "acquisition/PolledPortCatalog.h"

namespace vireon {

class WinPortCatalog : public PolledPortCatalog {
public:
    explicit WinPortCatalog(QObject* parent = nullptr);

    // Opens \\.\COMn for query only and lets go at once.
    bool PortExists(int n) override;
    // "\\.\COMn".
    std::string DevicePath(int n) const override;
};

} // namespace vireon
