#pragma once
// Simulated E/H probes ("E150" electric, "H250" magnetic).

#include "sim_device.h"

#include <string>

namespace vireon::sim {

// Answers identification ("I"), revision ("i"), battery ("B"), temperature ("TC", "TF"),
// data ("D1") and zero ("Z"); anything else gets ":E", which is also how such a probe
// answers the range query the monitor opens with. Data carry the total field of the
// scenario in V/m (E150) or A/m (H250).
class SimProbeEH final : public SimDevice {
public:
    SimProbeEH(const std::string& model, FieldScenario scenario);

    static bool Knows(const std::string& model);

    std::optional<std::string> Answer(const std::string& command, double t) override;

    const std::string& Model() const { return model_; }
    void BatteryValue(double value) { battery_ = value; }
    void TemperatureC(int celsius) { temperatureC_ = celsius; }

private:
    std::string model_;
    FieldScenario scenario_;
    double battery_ = 88.0;
    int temperatureC_ = 21;
};

} // namespace vireon::sim
