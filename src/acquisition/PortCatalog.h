#pragma once
// Which of Comm 1..24 exist, and the events when one appears or goes away.

#include <array>
#include <functional>
#include <string>

namespace vireon {

inline constexpr int kMaxCommPorts = 24;
// Which ports are there, indexed by port number (index 0 unused).
using PortSet = std::array<bool, kMaxCommPorts + 1>;

class PortCatalog {
public:
    virtual ~PortCatalog() = default;
    // True when port n (1..24) exists and can be opened for query; false for n <= 0.
    virtual bool PortExists(int n) = 0;
    // The device path behind port n ("" when unknown).
    virtual std::string DevicePath(int n) const = 0;

    // Raised with the name "COMn".
    std::function<void(const std::string& name)> DeviceArrival;
    std::function<void(const std::string& name)> DeviceRemoveComplete;

protected:
    // Raises the events for the ports that came or went between `known` and `now`, in port
    // order, and keeps `now` as known (each port before its own event).
    void Announce(PortSet& known, const PortSet& now);
};

// The port number carried by a device name: "COM3" gives 3, a longer name its last two
// characters ("COM12" gives 12). Returns 0 when the name does not start with "COM" or carries
// no number.
int PortNumberFromDeviceName(const std::string& name);

} // namespace vireon
