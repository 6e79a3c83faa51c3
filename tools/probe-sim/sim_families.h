#pragma once
// The simulated probes besides the laser detector unit: four-range (52xx), KD-1836, KD-1902
// and E/H probes, chosen by model name.

#include "sim_device.h"
#include "sim_probe52xx.h"
#include "sim_probe_eh.h"

#include <memory>
#include <string>
#include <vector>

namespace vireon::sim {

// Every model offered: the four-range and single-unit models, then "E150" and "H250".
std::vector<std::string> KnownFamilyModels();

// A simulated probe of that model answering from `scenario`, or nullptr for an unknown name.
// A four-range probe starts in `range` (1..its top range; 0 takes the probe's own default).
std::unique_ptr<SimDevice> MakeFamilyDevice(const std::string& model, FieldScenario scenario,
                                            int range = 0);

} // namespace vireon::sim
