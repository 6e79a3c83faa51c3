#pragma once
// Field scenarios: what the simulated probe measures over time.

#include "sim_device.h"

#include <string>

namespace vireon::sim {

// Parses a scenario description:
//   const:X[,Y,Z]              constant field per axis (one value: the same on every axis)
//   steps:V1,V2,...@S          the same value on every axis, stepping every S seconds, cycling
//   sine:AMP,OFFSET,PERIOD     offset + amp * sin(2 pi t / period) on every axis (never below 0)
//   file:PATH                  lines "t,x,y,z" (seconds, field); held from each line's time on
// Throws std::invalid_argument with a readable reason when the text is not understood.
FieldScenario ParseScenario(const std::string& text);

// Parses battery steps "P1[L],P2[L],...@S": whole percentages stepping every S seconds, cycling;
// an L marks the low-battery flag for that step. Throws std::invalid_argument like the above.
BatteryScenario ParseBatterySteps(const std::string& text);

} // namespace vireon::sim
