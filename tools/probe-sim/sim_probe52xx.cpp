#include "sim_probe52xx.h"

#include "probe/probe_replies.h"
#include "sim_families.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace vireon::sim {

// Five characters, as many decimals as fit.
std::string Number5(double n) {
    char buf[32];
    if (!(n >= 0)) {
        n = 0;
    }
    if (n < 9.9995) {
        std::snprintf(buf, sizeof buf, "%5.3f", n);
    } else if (n < 99.995) {
        std::snprintf(buf, sizeof buf, "%5.2f", n);
    } else if (n < 999.95) {
        std::snprintf(buf, sizeof buf, "%5.1f", n);
    } else if (n < 99999.5) {
        std::snprintf(buf, sizeof buf, "%5.0f", n);
    } else {
        return "99999";
    }
    return buf;
}

namespace {

enum class Quantity { Electric, Magnetic, Current };
enum Kind { kLinear = 1, kSquared = 2, kPower = 3 };

} // namespace

// One model: per unit (1..3) and range (1..5) the units code the probe reports and the
// multiplier by which the monitor turns its number into display units.
struct Probe52xxModel {
    const char* name;
    Quantity quantity;
    bool multiplex;
    bool kiloSquared; // squared field shown in k(V/m)^2
    int units;
    std::array<int, 4> maxRange; // per unit, index 1..3
    std::array<Kind, 4> kind;    // per unit, index 1..3
    std::array<std::array<const char*, 6>, 4> codes;
    std::array<std::array<double, 6>, 4> mult;
};

namespace {

constexpr const char* kNo = nullptr;

// clang-format off
const std::array<Probe52xxModel, 14> kModels = {{
    {"KD-5233 STE", Quantity::Electric, true, true, 3, {0, 4, 3, 4}, {kLinear, kLinear, kSquared, kPower},
     {{{}, {kNo, " V ", " V ", "KV ", "KV ", kNo}, {kNo, "KV2", "KV2", "KV2", kNo, kNo}, {kNo, "MW2", "MW2", "MW2", " W2", kNo}}},
     {{{}, {0, 1, 1, 1000, 1000, 0}, {0, 1, 1, 1, 0, 0}, {0, 1, 1, 1, 1000, 0}}}},
    {"KD-5233 HSE", Quantity::Electric, true, false, 2, {0, 4, 4, 4}, {kLinear, kLinear, kSquared, kPower},
     {{{}, {kNo, " V ", " V ", " V ", " V ", kNo}, {kNo, " V2", " V2", " V2", " V2", kNo}, {}}},
     {{{}, {0, 1, 1, 1, 1, 0}, {0, 1, 1, 1, 1, 0}, {}}}},
    {"KD-5233 MSE", Quantity::Electric, true, true, 3, {0, 4, 4, 4}, {kLinear, kLinear, kSquared, kPower},
     {{{}, {kNo, " V ", " V ", " V ", "KV ", kNo}, {kNo, " V2", "KV2", "KV2", "KV2", kNo}, {kNo, "MW2", "MW2", "MW2", "MW2", kNo}}},
     {{{}, {0, 1, 1, 1, 1000, 0}, {0, 0.001, 1, 1, 1, 0}, {0, 1, 1, 1, 1, 0}}}},
    {"KD-5233 GRE", Quantity::Electric, true, false, 3, {0, 4, 4, 4}, {kLinear, kLinear, kSquared, kPower},
     {{{}, {kNo, " V ", " V ", " V ", " V ", kNo}, {kNo, " V2", "KV2", "KV2", "KV2", kNo}, {kNo, "MW2", "MW2", "MW2", "MW2", kNo}}},
     {{{}, {0, 1, 1, 1, 1, 0}, {0, 1, 1000, 1000, 1000, 0}, {0, 1, 1, 1, 1, 0}}}},
    {"KD-5253", Quantity::Electric, true, false, 3, {0, 4, 4, 4}, {kLinear, kLinear, kSquared, kPower},
     {{{}, {kNo, " V ", " V ", " V ", " V ", kNo}, {kNo, " V2", " V2", "KV2", "KV2", kNo}, {kNo, "MW2", "MW2", "MW2", "MW2", kNo}}},
     {{{}, {0, 1, 1, 1, 1, 0}, {0, 1, 1, 1000, 1000, 0}, {0, 1, 1, 1, 1, 0}}}},
    {"KD-5233 LFH", Quantity::Magnetic, true, false, 3, {0, 4, 4, 4}, {kLinear, kLinear, kSquared, kPower},
     {{{}, {kNo, " A ", " A ", " A ", " A ", kNo}, {kNo, " A2", " A2", " A2", " A2", kNo}, {kNo, "MW2", "MW2", " W2", " W2", kNo}}},
     {{{}, {0, 1, 1, 1, 1, 0}, {0, 1, 1, 1, 1, 0}, {0, 1, 1, 1000, 1000, 0}}}},
    {"KD-5233 CH", Quantity::Magnetic, true, false, 3, {0, 4, 4, 4}, {kLinear, kLinear, kSquared, kPower},
     {{{}, {kNo, "MA ", " A ", " A ", " A ", kNo}, {kNo, "MA2", " A2", " A2", " A2", kNo}, {kNo, "MW2", "MW2", "MW2", " W2", kNo}}},
     {{{}, {0, 1, 1000, 1000, 1000, 0}, {0, 1, 1000, 1000, 1000, 0}, {0, 1, 1, 1, 1000, 0}}}},
    {"KD-5233 HCH", Quantity::Magnetic, true, false, 3, {0, 4, 4, 4}, {kLinear, kLinear, kSquared, kPower},
     {{{}, {kNo, "MA ", "MA ", " A ", " A ", kNo}, {kNo, "MA2", "MA2", " A2", " A2", kNo}, {kNo, "MW2", "MW2", "MW2", "MW2", kNo}}},
     {{{}, {0, 1, 1, 1000, 1000, 0}, {0, 1, 1, 1000, 1000, 0}, {0, 1, 1, 1, 1, 0}}}},
    {"KD-5257", Quantity::Magnetic, false, false, 3, {0, 4, 4, 4}, {kLinear, kLinear, kPower, kSquared},
     {{{}, {kNo, "MA ", "MA ", " A ", " A ", kNo}, {kNo, "MW2", "MW2", "MW2", "MW2", kNo}, {kNo, "MA2", "MA2", " A2", " A2", kNo}}},
     {{{}, {0, 1, 1, 1000, 1000, 0}, {0, 1, 1, 1, 1, 0}, {0, 1, 1, 1000, 1000, 0}}}},
    {"KD-5222", Quantity::Electric, true, false, 3, {0, 4, 4, 4}, {kLinear, kLinear, kPower, kSquared},
     {{{}, {kNo, " V ", " V ", " V ", " V ", kNo}, {kNo, "MW2", "MW2", "MW2", "MW2", kNo}, {kNo, " V2", "KV2", "KV2", "KV2", kNo}}},
     {{{}, {0, 1, 1, 1, 1, 0}, {0, 1, 1, 1, 1, 0}, {0, 1, 1000, 1000, 1000, 0}}}},
    {"KD-5250/5255", Quantity::Electric, false, false, 3, {0, 4, 4, 4}, {kLinear, kLinear, kPower, kSquared},
     {{{}, {kNo, " V ", " V ", " V ", " V ", kNo}, {kNo, "MW2", "MW2", "MW2", "MW2", kNo}, {kNo, " V2", "KV2", "KV2", "KV2", kNo}}},
     {{{}, {0, 1, 1, 1, 1, 0}, {0, 1, 1, 1, 1, 0}, {0, 1, 1000, 1000, 1000, 0}}}},
    {"KD-5256", Quantity::Electric, false, false, 3, {0, 3, 3, 3}, {kLinear, kLinear, kPower, kSquared},
     {{{}, {kNo, " V ", " V ", "KV ", kNo, kNo}, {kNo, "MW2", "MW2", "MW2", kNo, kNo}, {kNo, " V2", " V2", "KV2", kNo, kNo}}},
     {{{}, {0, 1, 1, 1000, 0, 0}, {0, 1, 1, 1, 0, 0}, {0, 1, 1, 1, 0, 0}}}},
    {"KD-1836", Quantity::Electric, false, false, 1, {0, 5, 0, 0}, {kLinear, kLinear, kLinear, kLinear},
     {{{}, {kNo, " V ", " V ", "KV ", "KV ", "KV "}, {}, {}}},
     {{{}, {0, 1, 1, 1000, 1000, 1000}, {}, {}}}},
    {"KD-1902", Quantity::Current, false, false, 1, {0, 5, 0, 0}, {kLinear, kLinear, kLinear, kLinear},
     {{{}, {kNo, " M ", " M ", " M ", "   ", "   "}, {}, {}}},
     {{{}, {0, 1, 1, 1, 1000, 1000}, {}, {}}}},
}};
// clang-format on

// Full scale of each range in the probe's base unit (V/m, A/m or A).
constexpr std::array<double, 6> kFullScaleElectric = {0, 10, 30, 300, 1000, 3000};
constexpr std::array<double, 6> kFullScaleMagnetic = {0, 0.1, 0.3, 3, 10, 30};
constexpr std::array<double, 6> kFullScaleCurrent = {3, 0.01, 0.03, 0.3, 1, 3};

const Probe52xxModel* Find(const std::string& name) {
    for (const auto& m : kModels) {
        if (name == m.name) {
            return &m;
        }
    }
    return nullptr;
}

std::string Reply(const std::string& body) {
    return body + replies::kCr;
}

std::string RangeReply(int range) {
    std::string r(":R");
    r.append(std::to_string(range));
    r.push_back(replies::kCr);
    return r;
}

} // namespace

SimProbe52xx::SimProbe52xx(const std::string& model, FieldScenario scenario, int unit, int range)
    : model_(Find(model) != nullptr ? Find(model) : &kModels[1]), scenario_(std::move(scenario)),
      unit_(std::clamp(unit, 1, model_->units)),
      range_(std::clamp(range, 1, model_->maxRange[static_cast<size_t>(unit_)])) {}

bool SimProbe52xx::Knows(const std::string& model) {
    return Find(model) != nullptr;
}

std::vector<std::string> SimProbe52xx::Models() {
    std::vector<std::string> names;
    for (const auto& m : kModels) {
        names.emplace_back(m.name);
    }
    return names;
}

std::string SimProbe52xx::Model() const {
    return model_->name;
}

std::string SimProbe52xx::AxisCode() const {
    std::string code;
    for (int a = 0; a < 3; ++a) {
        code += (axisMask_ & (1 << a)) != 0 ? 'E' : 'D';
    }
    return code;
}

bool SimProbe52xx::SelectUnit(int unit) {
    if (unit < 1 || unit > model_->units || range_ > model_->maxRange[static_cast<size_t>(unit)]) {
        return false;
    }
    unit_ = unit;
    return true;
}

std::optional<std::string> SimProbe52xx::Answer(const std::string& command, double t) {
    const std::string& c = command;
    if (c.empty()) {
        return Reply(":E");
    }
    const auto maxRange = [this] { return model_->maxRange[static_cast<size_t>(unit_)]; };
    switch (c[0]) {
    case 'R':
        if (c.size() == 1) {
            return RangeReply(range_);
        }
        if (c == "RN") {
            range_ = range_ >= maxRange() ? 1 : range_ + 1;
            return RangeReply(range_);
        }
        if (c.size() == 2 && c[1] >= '0' && c[1] <= '9') {
            const int r = c[1] - '0';
            const bool selfRanging = r == 0 && model_->quantity == Quantity::Current;
            if ((r >= 1 && r <= maxRange()) || selfRanging) {
                range_ = r;
                return RangeReply(range_);
            }
        }
        return Reply(":E");
    case 'U':
        if (c == "UN") {
            return SelectUnit(unit_ >= model_->units ? 1 : unit_ + 1) ? Reply(":U") : Reply(":E");
        }
        if (c.size() == 2 && c[1] >= '1' && c[1] <= '3') {
            return SelectUnit(c[1] - '0') ? Reply(":U") : Reply(":E");
        }
        return Reply(":E");
    case 'A':
        if (c.size() == 4) {
            if (model_->multiplex) {
                int mask = 0;
                for (int a = 0; a < 3; ++a) {
                    mask |= c[static_cast<size_t>(a) + 1] == 'E' ? (1 << a) : 0;
                }
                axisMask_ = mask;
            }
            // Probes without axis selection acknowledge and keep measuring all three axes.
            return Reply(":A");
        }
        return Reply(":E");
    case 'D':
        return DataReply(t) + replies::kCr;
    case 'B': {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%5.1f", std::clamp(battery_, 0.0, 999.9));
        return Reply(std::string(":B") + buf);
    }
    case 'T':
        if (c == "TC" || c == "TF") {
            const int v = c == "TC" ? temperatureC_ : (temperatureC_ * 9 + 160) / 5;
            char buf[16];
            std::snprintf(buf, sizeof buf, "%03d", std::clamp(v, -99, 999));
            return Reply(std::string(":T ") + buf + c[1]);
        }
        return Reply(":E");
    case 'Z':
        return Reply(":Z");
    case 'P':
        return Reply(":P");
    default:
        return Reply(":E");
    }
}

std::string SimProbe52xx::DataReply(double t) const {
    const std::array<double, 3> f = scenario_ ? scenario_(t) : std::array<double, 3>{0, 0, 0};
    const int mask = model_->multiplex ? axisMask_ : 7;
    double sum = 0;
    for (int a = 0; a < 3; ++a) {
        if ((mask & (1 << a)) != 0) {
            sum += f[static_cast<size_t>(a)] * f[static_cast<size_t>(a)];
        }
    }
    const double base = std::sqrt(sum);
    const auto u = static_cast<size_t>(unit_);
    const auto r = static_cast<size_t>(range_);
    const auto& fs = model_->quantity == Quantity::Electric   ? kFullScaleElectric
                     : model_->quantity == Quantity::Magnetic ? kFullScaleMagnetic
                                                              : kFullScaleCurrent;
    // Display value in the unit the monitor shows for this model.
    double display = 0;
    switch (model_->kind[u]) {
    case kLinear:
        display = model_->quantity == Quantity::Electric ? base : base * 1000;
        break;
    case kSquared:
        if (model_->quantity == Quantity::Electric) {
            display = model_->kiloSquared ? base * base / 1000 : base * base;
        } else {
            display = base * base * 1000;
        }
        break;
    case kPower:
        display = model_->quantity == Quantity::Electric ? base * base / 3770 : base * base * 37.7;
        break;
    }
    std::string code;
    double mult = 1;
    if (range_ == 0) {
        // Current probe ranging by itself: milliamperes when small, else amperes.
        const bool milli = base < 0.3;
        code = milli ? " M " : "   ";
        mult = milli ? 1 : 1000;
    } else {
        code = model_->codes[u][r] != nullptr ? model_->codes[u][r] : "   ";
        mult = model_->mult[u][r] != 0 ? model_->mult[u][r] : 1;
    }
    const double number = display / mult;
    bool over = range_ != 0 && base > fs[r];
    std::string num = Number5(number);
    if (number >= 99999.5) {
        over = true;
    }
    const int bar = static_cast<int>(std::lround(std::clamp(base / fs[r], 0.0, 1.0) * 255));
    char barText[8];
    std::snprintf(barText, sizeof barText, "%03d", bar);
    std::string reply = ":D" + num + code + barText;
    reply += over ? 'O' : ' ';
    reply += batteryState_;
    reply += model_->multiplex ? AxisCode() : std::string("EEE");
    return reply;
}

std::vector<std::string> KnownFamilyModels() {
    std::vector<std::string> names = SimProbe52xx::Models();
    names.emplace_back("E150");
    names.emplace_back("H250");
    return names;
}

std::unique_ptr<SimDevice> MakeFamilyDevice(const std::string& model, FieldScenario scenario,
                                            int range) {
    if (SimProbe52xx::Knows(model)) {
        return range > 0 ? std::make_unique<SimProbe52xx>(model, std::move(scenario), 1, range)
                         : std::make_unique<SimProbe52xx>(model, std::move(scenario));
    }
    if (SimProbeEH::Knows(model)) {
        return std::make_unique<SimProbeEH>(model, std::move(scenario));
    }
    return nullptr;
}

} // namespace vireon::sim
