#pragma once
// Simulated four-range (52xx) probes and the single-unit KD-1836 / KD-1902.

#include "sim_device.h"

#include <string>
#include <vector>

namespace vireon::sim {

// A reading as the probes send it: five characters, as many decimals as fit.
std::string Number5(double n);

struct Probe52xxModel;

// A four-range probe of one model. It answers range ("R", "R1".."R5", "RN"), unit ("U1".."U3",
// "UN"), axis ("A" + three letters), data ("D2"), battery ("B"), temperature ("TC", "TF"),
// zero ("Z") and mode ("P1", "P2") commands; anything else gets the error reply ":E".
// Data follow the scenario: the field of the enabled axes in the unit and range selected,
// with the over-range mark when the field exceeds the range's full scale.
class SimProbe52xx final : public SimDevice {
public:
    // `model` as the monitor names it, e.g. "KD-5233 STE"; unknown names fall back to
    // KD-5233 HSE (use Knows() first). `unit` and `range` are where the probe starts.
    SimProbe52xx(const std::string& model, FieldScenario scenario, int unit = 1, int range = 2);

    static bool Knows(const std::string& model);
    static std::vector<std::string> Models();

    std::optional<std::string> Answer(const std::string& command, double t) override;

    int Unit() const { return unit_; }
    int Range() const { return range_; }
    std::string AxisCode() const;
    std::string Model() const;

    // Battery state character of data replies: 'N' normal, 'F' flat, anything else low.
    void BatteryState(char state) { batteryState_ = state; }
    void BatteryValue(double value) { battery_ = value; }
    void TemperatureC(int celsius) { temperatureC_ = celsius; }

private:
    std::string DataReply(double t) const;
    bool SelectUnit(int unit);

    const Probe52xxModel* model_;
    FieldScenario scenario_;
    int unit_;
    int range_;
    int axisMask_ = 7; // bit 0 X, bit 1 Y, bit 2 Z
    char batteryState_ = 'N';
    double battery_ = 95.0;
    int temperatureC_ = 23;
};

} // namespace vireon::sim
