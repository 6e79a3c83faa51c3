#pragma once
// A simulated instrument on the far end of the serial line: given one command (without its
// carriage return) it returns the bytes it sends back, or nothing when it stays silent.

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace vireon::sim {

// Field scenario: per-axis field (index 0..2 for X, Y, Z) at time t seconds since the simulator
// started, in the probe's base unit (V/m for electric probes, A/m for magnetic ones).
using FieldScenario = std::function<std::array<double, 3>(double t)>;

// The battery at time t: its charge in percent and the low-battery flag.
struct BatteryState {
    int percent = 85;
    bool low = false;
};
using BatteryScenario = std::function<BatteryState(double t)>;

class SimDevice {
public:
    virtual ~SimDevice() = default;
    // `t` is the simulator's clock in seconds. The returned text is sent as it stands, so it
    // carries its own line end.
    virtual std::optional<std::string> Answer(const std::string& command, double t) = 0;
};

} // namespace vireon::sim
