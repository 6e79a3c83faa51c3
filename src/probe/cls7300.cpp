#include "probe/cls7300.h"

#include "common/numfmt.h"
#include "probe/fiber_replies.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vireon {

namespace {

constexpr float kPowerDivisor = 3770.0F;        // free-space impedance: (V/m)^2 / 3770 = mW/cm^2
constexpr double kVoltsPerCount = 0.0007326007; // 3 V full scale over 4095 counts

// Double to single without undefined behaviour: out-of-range values become infinities.
float Single(double v) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (v > kMax) {
        return std::numeric_limits<float>::infinity();
    }
    if (v < -kMax) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(v);
}

int AxisOfName(const std::string& name) {
    if (name == "X" || name == "X Lin") {
        return 0;
    }
    if (name == "Y" || name == "Y Lin") {
        return 1;
    }
    if (name == "Z" || name == "Z Lin") {
        return 2;
    }
    return -1;
}

} // namespace

Cls7300::Cls7300() : table_(static_cast<size_t>(3 * 4 * kTableCounts), 0.0F) {}

void Cls7300::Say(const std::string& text, ProbeMsgIcon icon) const {
    if (host_ != nullptr) {
        host_->MsgBox(text, icon);
    }
}

// ---- calibration ----

bool Cls7300::ParseCoeff(const std::string& reply) {
    if (reply.size() != fiber::kCalLen) {
        Say("Probe did not initialize properly.  Check battery and/or fiber optic connection.",
            ProbeMsgIcon::Exclamation);
        return false;
    }
    // The probe codes its decimal fields: A is 0, B the minus sign, D the decimal point.
    std::string text = reply;
    for (char& c : text) {
        if (c == 'A') {
            c = '0';
        } else if (c == 'B') {
            c = '-';
        } else if (c == 'D') {
            c = '.';
        }
    }
    std::array<Coeffs, 3> coef{};
    for (size_t f = 0; f < fiber::kCalFields; ++f) {
        const auto c = static_cast<int>(f % 3);
        const auto axis = (f / 3) % 3;
        const auto k = static_cast<int>((f / 9) % 2 + 1);
        const auto g = static_cast<int>(f / 18 + 1);
        // A field beyond the single range is as unusable as one that is not a number.
        const float v = Single(Val(std::string_view(text).substr(
            fiber::kCalFirstField + f * fiber::kCalFieldWidth, fiber::kCalFieldWidth)));
        coef[axis][CoeffIndex(c, k, g)] = std::isfinite(v) ? v : 0.0F;
    }
    coef_ = coef;
    rawCal_ = reply;
    CalLookUpTable();
    return true;
}

float Cls7300::Evaluate(int axis, int16_t count, int g) const {
    const int k = count > breakpoint_[static_cast<size_t>(g)] ? 2 : 1;
    const Coeffs& c = coef_[static_cast<size_t>(axis)];
    const double v = static_cast<double>(c[CoeffIndex(0, k, g)]) +
                     static_cast<double>(c[CoeffIndex(1, k, g)]) *
                         std::pow(static_cast<double>(count), c[CoeffIndex(2, k, g)]);
    // An entry that overflows or is undefined would poison every sum it enters.
    const float f = Single(v);
    return std::isfinite(f) ? f : 0.0F;
}

void Cls7300::CalLookUpTable() {
    for (int axis = 0; axis < 3; ++axis) {
        for (int g = 1; g <= 4; ++g) {
            for (int16_t n = 1; n < kTableCounts; ++n) {
                Entry(axis, n, g) = Evaluate(axis, n, g);
            }
        }
    }
}

std::optional<float> Cls7300::CalAxis(int axis, int16_t count, uint8_t gainCode) const {
    const int16_t g = SetGainDim(gainCode);
    if (g == 0) {
        return std::nullopt;
    }
    return Evaluate(axis, count, g);
}

std::optional<float> Cls7300::CalX(int16_t count, uint8_t gainCode) const {
    return CalAxis(0, count, gainCode);
}

std::optional<float> Cls7300::CalY(int16_t count, uint8_t gainCode) const {
    return CalAxis(1, count, gainCode);
}

std::optional<float> Cls7300::CalZ(int16_t count, uint8_t gainCode) const {
    return CalAxis(2, count, gainCode);
}

int16_t Cls7300::SetGainDim(int16_t gainCode) {
    switch (gainCode) {
    case 0:
        return 1;
    case 1:
        return 2;
    case 16:
        return 3;
    case 255:
        return 4;
    default:
        return 0;
    }
}

std::optional<float> Cls7300::CalculateFieldXYZ(const std::string& axis, float gain,
                                                int16_t count) const {
    const int a = AxisOfName(axis);
    if (a < 0 || count < 0 || count >= kTableCounts) {
        return std::nullopt;
    }
    int g = 0;
    if (gain > 2000) {
        g = 1;
    } else if (gain > 200) {
        g = 2;
    } else if (gain > 8) {
        g = 3;
    } else if (gain > 0) {
        g = 4;
    } else {
        return std::nullopt; // no gain band (zero, negative or not a number)
    }
    return Entry(a, count, g);
}

void Cls7300::SetGainFactor(int16_t axis, float ra, float rb, float rc) {
    if (axis < 0 || axis > 3) {
        return;
    }
    float factor = std::numeric_limits<float>::quiet_NaN();
    if (rb != 0 && rc != 0) {
        const double conductance = 1.0 / static_cast<double>(rb) + 1.0 / static_cast<double>(rc);
        if (conductance != 0) {
            const double parallel = 1.0 / conductance;
            factor = Single((static_cast<double>(ra) + parallel) / parallel);
        }
    }
    const auto a = static_cast<size_t>(axis);
    if (!std::isfinite(factor)) {
        classGain_[a] = kDefaultClassGain;
        Say("Unable to set actual gain resister values.  Setting to defaults (3.02)",
            ProbeMsgIcon::Exclamation);
        return;
    }
    classGain_[a] = factor;
    Say("Class gain factor axis " + std::to_string(axis) + " set to " + GeneralNumber(factor),
        ProbeMsgIcon::Information);
}

float Cls7300::QueryGainFactor(int16_t axis) const {
    return axis < 0 || axis > 3 ? 0.0F : classGain_[static_cast<size_t>(axis)];
}

void Cls7300::EquationType(uint8_t value) {
    if (value == 1 || value == 2) {
        Say("Equation type 1 and 2 not allowed setting to type 5.", ProbeMsgIcon::Exclamation);
        value = 5;
    }
    equationType_ = value;
}

int16_t Cls7300::Breakpoint(int16_t gainIndex) const {
    return gainIndex < 1 || gainIndex > 4 ? int16_t{0}
                                          : breakpoint_[static_cast<size_t>(gainIndex)];
}

float Cls7300::AmplifierGain(uint8_t gainCode) {
    return Single(101040.2 / (392.0 * gainCode + 40.2));
}

// ---- readings ----

float Cls7300::Total(float x, float y, float z) const {
    if (units_ == kVoltsPerMetre) {
        return std::sqrt(x * x + y * y + z * z);
    }
    return x + y + z;
}

float Cls7300::XYZNA() const {
    // From the values as they read, negatives already 0, like the averaged total.
    return Total(XNA(), YNA(), ZNA());
}

void Cls7300::ParseCal7300(const std::string& reply) {
    if (reply.size() < fiber::kDataMinLen) {
        axis_ = {};
        xyz_ = 0;
        voltDiode_ = {};
        return;
    }
    const auto fields = fiber::DataFields(reply);
    if (!fields) {
        return; // a garbled reply changes nothing
    }
    const std::array<int16_t, 3> counts = fields->Counts;
    const std::array<uint8_t, 3> codes = fields->GainCodes;
    count_ = counts;
    gainCode_ = codes;

    // Raw axis values in V/m; kept aside until all three are known so that an abandoned reply
    // leaves the readings whole.
    std::array<float, 3> v{};
    switch (equationType_) {
    case 0:
    case 4:
        for (size_t a = 0; a < 3; ++a) {
            gain_[a] = AmplifierGain(codes[a]);
            voltDiode_[a] = Single(counts[a] * kVoltsPerCount / gain_[a] * classGain_[a + 1]);
        }
        if (equationType_ == 0) {
            // Only the diode voltages are new; the readings below would re-process old values.
            return;
        }
        [[fallthrough]];
    case 3:
        for (size_t a = 0; a < 3; ++a) {
            const int16_t g = SetGainDim(codes[a]);
            if (g == 0) {
                return;
            }
            v[a] = Entry(static_cast<int>(a), counts[a], g) - offset_[a];
        }
        break;
    case 5:
        for (size_t a = 0; a < 3; ++a) {
            const auto f = CalAxis(static_cast<int>(a), counts[a], codes[a]);
            if (!f) {
                return;
            }
            v[a] = *f - offset_[a];
        }
        break;
    case 1:
    case 2:
        Say("Equation type 1 and 2 removed after version 12.", ProbeMsgIcon::Exclamation);
        return;
    default:
        return;
    }

    if (ZeroRunning()) {
        OffsetAverage(1, v[0]);
        OffsetAverage(2, v[1]);
        OffsetAverage(3, v[2]);
        return;
    }

    if (units_ == kMilliWattsPerCm2) {
        for (float& x : v) {
            x = x * x / kPowerDivisor;
        }
    } else if (units_ == kVoltsSquared) {
        for (float& x : v) {
            x = x * x;
        }
    }
    const std::array<float, 4> now{Total(v[0], v[1], v[2]), v[0], v[1], v[2]};
    for (size_t i = 0; i < 4; ++i) {
        if (pausePeakHold_ == 0 && now[i] > maxHold_[i]) {
            maxHold_[i] = now[i];
        }
        if (now[i] < minHold_[i]) {
            minHold_[i] = now[i];
        }
    }
    na_ = v;

    if (averaging_ > 1) {
        slotIndex_ = slotIndex_ >= averaging_ ? uint8_t{1} : static_cast<uint8_t>(slotIndex_ + 1);
        auto& slot = slot_[slotIndex_];
        bool finite = true;
        for (size_t a = 0; a < 3; ++a) {
            runSum_[a] = runSum_[a] - slot[a] + v[a];
            slot[a] = v[a];
            finite = finite && std::isfinite(runSum_[a]);
        }
        if (!finite) {
            // An overflowing reading would otherwise leave inf - inf in the sum for good.
            RecomputeSums();
        }
        for (size_t a = 0; a < 3; ++a) {
            axis_[a] = runSum_[a] / averaging_;
        }
    } else {
        axis_ = v;
    }
    for (float& x : axis_) {
        x = NonNegative(x);
    }
    xyz_ = NonNegative(Total(axis_[0], axis_[1], axis_[2]));
}

void Cls7300::SetRef() {
    offset_ = {};
    zeroCnt_ = 0;
}

void Cls7300::ClearRef() {
    offset_ = {};
}

void Cls7300::OffsetAverage(int16_t axis, float value) {
    if (axis < 1 || axis > 3) {
        return;
    }
    if (axis == 1) {
        if (!ZeroRunning()) {
            return;
        }
        ++zeroCnt_;
    } else if (zeroCnt_ == 0) {
        return; // no X sample has opened a slot yet
    }
    const auto a = static_cast<size_t>(axis - 1);
    zeroSlot_[zeroCnt_][a] = value;
    if (zeroCnt_ == averaging_) {
        double sum = 0;
        for (size_t s = 1; s <= averaging_; ++s) {
            sum += zeroSlot_[s][a];
        }
        offset_[a] = Single(sum / averaging_);
    }
}

float Cls7300::ZeroOffset(int16_t axis) const {
    return axis < 1 || axis > 3 ? 0.0F : offset_[static_cast<size_t>(axis - 1)];
}

float Cls7300::ConvertUnit(uint8_t from, uint8_t to, float value) {
    if (value == 0 || from > kVoltsSquared || to > kVoltsSquared) {
        return 0;
    }
    if (from == to) {
        return value;
    }
    const auto v = static_cast<double>(value);
    // Everything goes through (V/m)^2; a negative power has no field, so its root is 0.
    double squared = v;
    if (from == kVoltsPerMetre) {
        squared = v * v;
    } else if (from == kMilliWattsPerCm2) {
        squared = v * kPowerDivisor;
    }
    switch (to) {
    case kVoltsPerMetre:
        return Single(std::sqrt(std::max(0.0, squared)));
    case kMilliWattsPerCm2:
        return Single(squared / kPowerDivisor);
    default:
        return Single(squared);
    }
}

void Cls7300::RecomputeSums() {
    std::array<double, 3> sum{};
    for (size_t s = 1; s <= averaging_; ++s) {
        for (size_t a = 0; a < 3; ++a) {
            sum[a] += slot_[s][a];
        }
    }
    for (size_t a = 0; a < 3; ++a) {
        runSum_[a] = Single(sum[a]);
    }
}

void Cls7300::Units(uint8_t value) {
    if (value > kVoltsSquared || value == units_) {
        return;
    }
    for (float& h : maxHold_) {
        h = ConvertUnit(units_, value, h);
    }
    for (auto& slot : slot_) {
        for (float& x : slot) {
            x = ConvertUnit(units_, value, x);
        }
    }
    RecomputeSums();
    units_ = value;
}

void Cls7300::Averaging(uint8_t value) {
    if (value > kMaxAveraging) {
        return;
    }
    for (size_t s = static_cast<size_t>(averaging_) + 1; s <= value; ++s) {
        slot_[s] = axis_;
    }
    averaging_ = value;
    RecomputeSums();
    slotIndex_ = 0;
    zeroCnt_ = value;
}

void Cls7300::ClearMaxHold() {
    maxHold_ = {};
}

void Cls7300::ClearMinHold() {
    minHold_.fill(kMinHoldStart);
}

} // namespace vireon
