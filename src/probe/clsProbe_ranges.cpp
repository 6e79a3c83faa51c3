// Ranges, units, limits, scales and axis selection.

#include "common/numfmt.h"
#include "probe/clsProbe.h"

#include <algorithm>

namespace vireon {

namespace {
const std::string kEmpty;
}

std::string clsProbe::NumberedCmnd(char letter, int n) {
    // Built by appending: GCC 12 warns falsely on literal + to_string at -O3.
    std::string cmd(1, letter);
    cmd.append(std::to_string(n));
    cmd.push_back('\r');
    return cmd;
}

void clsProbe::Range(int16_t value) {
    currCmnd_ = NumberedCmnd('R', value);
    rThreshold_ = 4;
}

void clsProbe::AutoRangeOn(int16_t value) {
    if (value >= 1) {
        autoRangeOn_ = 1;
        axisRangeIndex_ = 0;
    } else {
        autoRangeOn_ = 0;
        autoRangeSwitchedOff_ = 1;
        if (!unitsCode_.empty()) {
            DecodeUnits52xx();
        }
    }
}

void clsProbe::SetAxisRange(int16_t axis, int16_t range) {
    if (axis >= 1 && axis <= 3) {
        axisRangeCmnd_[static_cast<size_t>(axis - 1)] = NumberedCmnd('R', range);
    }
}

const std::string& clsProbe::GetAxisRangeCmnd(int16_t axis) const {
    return axis >= 1 && axis <= 3 ? axisRangeCmnd_[static_cast<size_t>(axis - 1)] : kEmpty;
}

void clsProbe::ToggleAxis(int16_t axisIndex) {
    if (axisIndex < 0 || axisIndex > 2) {
        return;
    }
    if (axisStr_.size() < 4) {
        axisStr_ = "AEEE\r";
    }
    char& letter = axisStr_[static_cast<size_t>(axisIndex) + 1];
    letter = letter == 'E' ? 'D' : 'E';
    currCmnd_ = axisStr_;
    rThreshold_ = 3;
}

const std::string& clsProbe::RangeText(int16_t unit, int16_t range) const {
    return ValidUnit(unit) && ValidRange(range) ? rangeText_[cell(unit, range)] : kEmpty;
}

const std::string& clsProbe::LogScaleText(int16_t unit) const {
    return ValidUnit(unit) ? logText_[static_cast<size_t>(unit)] : kEmpty;
}

float clsProbe::LowerLimitOf(int16_t unit, int16_t range) const {
    return ValidUnit(unit) && ValidRange(range) ? lowerLim_[cell(unit, range)] : 0.0f;
}

float clsProbe::UpperLimitOf(int16_t unit, int16_t range) const {
    return ValidUnit(unit) && ValidRange(range) ? upperLim_[cell(unit, range)] : 0.0f;
}

float clsProbe::ScaleFactor(int16_t range, int16_t unitsClass) const {
    return ValidRange(range) && unitsClass >= 0 && unitsClass <= 5
               ? scaleFactor_[cell(range, unitsClass)]
               : 0.0f;
}

int16_t clsProbe::MaxRangeOf(int16_t unit) const {
    return ValidUnit(unit) ? maxRange_[static_cast<size_t>(unit)] : int16_t{0};
}

int16_t clsProbe::GetMaxRange() const {
    return MaxRangeOf(unitsNo_);
}

void clsProbe::SetRangeLimits() {
    struct Limits {
        float lower1, upper1, lower2, upper2, lower3, upper3;
    };
    Limits l{1, 900, 0.0002652f, 214.9f, 1, 810000};
    if (model_ == "KD-7310") {
        l = {0.8f, 900, 0.00016976f, 214.9f, 0.64f, 810000};
    } else if (model_ == "KD-7350") {
        l = {2, 800, 0.001061f, 170, 4, 640000};
    } else if (model_ == "KD-7320") {
        l = {1.5f, 900, 0.0005968f, 214.9f, 2.25f, 810000};
    }
    lowerLim_.fill(0);
    upperLim_.fill(0);
    const std::array<std::pair<float, float>, 3> per = {
        {{l.lower1, l.upper1}, {l.lower2, l.upper2}, {l.lower3, l.upper3}}};
    for (int16_t u = 1; u <= 3; ++u) {
        const auto& [lo, hi] = per[static_cast<size_t>(u - 1)];
        lowerLim_[cell(u, 1)] = lo;
        for (int16_t r : {1, 4, 5}) {
            upperLim_[cell(u, r)] = hi;
        }
    }
    SetRangeStrings();
    RecomputeThreshold();
}

void clsProbe::SetRangeStrings() {
    static constexpr std::array<std::array<const char*, 3>, 5> kRanges = {{
        {"0-10", "0-0.03", "0-100"},
        {"0-35", "0-0.3", "0-1000"},
        {"0-100", "0-3", "0-10k"},
        {"0-350", "0-30", "0-100k"},
        {"0-1000", "0-300", "0-1M"},
    }};
    for (int16_t r = 1; r <= 5; ++r) {
        for (int16_t u = 1; u <= 3; ++u) {
            rangeText_[cell(u, r)] =
                kRanges[static_cast<size_t>(r - 1)][static_cast<size_t>(u - 1)];
        }
    }
    logText_[1] = "Log 0.1-10k";
    logText_[2] = "Log 0.01m-1000";
    logText_[3] = "Log 0.01-1M";
}

void clsProbe::RecomputeThreshold() {
    if (!ValidUnit(unitsNo_) || !ValidRange(range_)) {
        underThreshold_ = 0;
        return;
    }
    if (range_ == 1) {
        underThreshold_ = lowerLim_[cell(unitsNo_, 1)];
    } else {
        underThreshold_ = upperLim_[cell(unitsNo_, range_)] * thresholdFraction_;
    }
}

void clsProbe::UnitsNo7300(int16_t value) {
    unitsNo_ = value;
    RecomputeThreshold();
}

std::string clsProbe::FormatLimitValue(double value) {
    if (value < 10) {
        return FormatNumber(value, "0.0#####");
    }
    if (value <= 9999) {
        return GeneralNumber(static_cast<float>(value));
    }
    return FormatNumber(value, "#,###,###");
}

std::string clsProbe::AdjustStrLen(double value) {
    if (value < 10) {
        return FormatNumber(value, "0.000");
    }
    if (value < 100) {
        return FormatNumber(value, "0.00");
    }
    if (value < 1000) {
        return FormatNumber(value, "0.0");
    }
    return FormatNumber(value, "0");
}

float clsProbe::RoundLikeReadout(float v) {
    return static_cast<float>(Val(AdjustStrLen(v)));
}

std::string clsProbe::GetRangeString(int16_t range) const {
    std::string text = FormatLimitValue(LowerLimitOf(unitsNo_, range)) + " - " +
                       FormatLimitValue(UpperLimitOf(unitsNo_, range));
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    return text + " " + unitsStr_;
}

std::string clsProbe::GetGraphScales(int16_t range, int16_t logFlag) const {
    return logFlag == 1 ? LogScaleText(unitsNo_) : RangeText(unitsNo_, range);
}

std::string clsProbe::GetGraphSelection() const {
    if (graphType_ == "Log") {
        return LogScaleText(unitsNo_);
    }
    if (graphType_ != "Auto") {
        return graphType_;
    }
    if (autoRangeOn_ != 0 || model_ == "KD-7300") {
        return LogScaleText(unitsNo_);
    }
    return RangeText(unitsNo_, range_);
}

float clsProbe::GetUnderRangeVal() const {
    return autoRangeOn_ != 0 ? LowerLimitOf(unitsNo_, 1) : LowerLimitOf(unitsNo_, range_);
}

float clsProbe::GetOverRangeVal() const {
    return autoRangeOn_ != 0 ? UpperLimitOf(unitsNo_, GetMaxRange())
                             : UpperLimitOf(unitsNo_, range_);
}

int32_t clsProbe::SetOverRangeColor(int32_t colour) const {
    return overRangeFlag_ != 0 && autoRangeOn_ == 0 ? 255 : colour;
}

int16_t clsProbe::GetPercentOfScale() const {
    const auto& pct = average_ < 2 ? barPct_ : barPctAvg_;
    if (multiplexOn_ != 0) {
        return std::max({pct[1], pct[2], pct[3]});
    }
    return pct[0];
}

std::string clsProbe::XYZAxisStr() const {
    return typeNumb_ == 3 ? fieldText_ : AdjustStrLen(xyzAxis_);
}

void clsProbe::ClearMaxHold() {
    maxHold_.fill(0);
    maxHoldXYZ_ = 0;
}

void clsProbe::ClearMinHold() {
    minHold_.fill(9999999);
    minHoldXYZ_ = 999999;
}

} // namespace vireon
