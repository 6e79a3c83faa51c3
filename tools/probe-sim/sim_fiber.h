#pragma once
// The laser detector unit with a fiber-optic probe behind it. The probe's calibration is a
// straight line per gain (field = slope x count), so the simulator can invert it and the
// monitor's computed field follows the scenario.

#include "sim_device.h"

#include <string>

namespace vireon::sim {

struct FiberOptions {
    std::string model = "7310"; // columns 3-6 of the identification: KD-7310
    std::string serialNo = "00012345";
    std::string softVer = "0730200300";
    std::string calDate = "06152026"; // month, day, year
    BatteryScenario battery = [](double) { return BatteryState{}; };
    double probeTempC = 24.5;
    double laserTempC = 31.25;
    // Count of no-data replies (":S000000000000000F") to give before real data, after "i".
    int noDataReplies = 0;
};

class SimFiberUnit : public SimDevice {
public:
    SimFiberUnit(FieldScenario scenario, FiberOptions options);
    std::optional<std::string> Answer(const std::string& command, double t) override;
    // Inverts the low-battery flag from now on, whatever the battery scenario says.
    void ToggleBatteryLow() { lowToggled_ = !lowToggled_; }
    bool LaserOn() const { return laserOn_; }

    // Field per count of each gain index 1..4 (index 0 unused).
    static constexpr double kSlope[5] = {0, 0.01, 0.1, 1.0, 10.0};
    static constexpr int kGainCode[5] = {0, 0, 1, 16, 255};
    // The 579-character calibration reply.
    static std::string CalibrationReply();
    // Count and gain code for a field on one axis.
    static void Encode(double field, int& count, int& gainCode);

private:
    FieldScenario scenario_;
    FiberOptions options_;
    bool laserOn_ = false;
    int noDataLeft_ = 0;
    bool lowToggled_ = false;

    BatteryState Battery(double t) const;
};

} // namespace vireon::sim
