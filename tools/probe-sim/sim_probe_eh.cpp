#include "sim_probe_eh.h"

#include "sim_probe52xx.h"

#include "probe/probe_replies.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vireon::sim {

SimProbeEH::SimProbeEH(const std::string& model, FieldScenario scenario)
    : model_(Knows(model) ? model : "E150"), scenario_(std::move(scenario)) {}

bool SimProbeEH::Knows(const std::string& model) {
    return model == "E150" || model == "H250";
}

std::optional<std::string> SimProbeEH::Answer(const std::string& command, double t) {
    const std::string& c = command;
    std::string body;
    if (c == "I") {
        // Column 3 is a format digit; columns 4-6 carry the model number, which starts
        // with "1" for electric probes.
        body = ":I0" + model_.substr(1, 3) + "V1.03     " + "EH" + model_.substr(1, 3) + "017" +
               "03152026" + " ";
    } else if (c == "i") {
        body = ":iREV:" + std::string("EH 2.10   ") + std::string(8, ' ');
    } else if (c == "B") {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%5.1f", std::clamp(battery_, 0.0, 999.9));
        body = std::string(":B") + buf;
    } else if (c == "TC" || c == "TF") {
        const int v = c == "TC" ? temperatureC_ : (temperatureC_ * 9 + 160) / 5;
        char buf[16];
        std::snprintf(buf, sizeof buf, "%03d", std::clamp(v, -99, 999));
        body = std::string(":T ") + buf + c[1];
    } else if (!c.empty() && c[0] == 'D') {
        const std::array<double, 3> f = scenario_ ? scenario_(t) : std::array<double, 3>{0, 0, 0};
        const double total = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
        body = ":D" + Number5(total) + (model_[0] == 'E' ? " V " : " A ");
    } else if (c == "Z") {
        body = ":Z";
    } else {
        body = ":E";
    }
    return body + replies::kCr;
}

} // namespace vireon::sim
