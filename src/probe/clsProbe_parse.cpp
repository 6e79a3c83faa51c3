// Reply parsing: field data, units, axes, holds, averages, battery and temperature.

#include "common/numfmt.h"
#include "probe/clsProbe.h"
#include "probe/probe_replies.h"

#include <algorithm>
#include <cmath>

namespace vireon {

namespace {

std::string Mid(const std::string& s, size_t pos, size_t len) {
    return pos < s.size() ? s.substr(pos, len) : std::string();
}

const std::string kSq(1, kSuperscriptTwo);

} // namespace

int16_t clsProbe::InputStr(const std::string& reply) {
    if (reply.size() < 2) {
        return 0;
    }
    if (typeNumb_ == 3) {
        return InputStr1400(reply);
    }
    if (idStep_ >= 1) {
        AutoTypeCollect(reply);
        return 0;
    }
    return InputStr52xx(reply);
}

float clsProbe::ScaledNumber(const std::string& reply) const {
    const double number = Val(Mid(reply, replies::kDataNumberPos, replies::kDataNumberLen));
    if (model_ == "KD-1902" && range_ == 0) {
        return static_cast<float>(mAMultiplier_ * number);
    }
    const int16_t c = (unitsClass_ >= 0 && unitsClass_ <= 5) ? unitsClass_ : 1;
    const float factor = ValidRange(range_) ? scaleFactor_[cell(range_, c)] : 1.0f;
    return static_cast<float>(factor * number);
}

int16_t clsProbe::InputStr52xx(const std::string& reply) {
    const std::string p = reply.substr(0, 2);
    int16_t flags = 0;
    if (p == ":D" || p == "#Q") {
        if (rangeChangePending_ != 0 || reply.size() < replies::kDataLen) {
            return 0;
        }
        const int16_t axis = multiplexOn_ != 0 && multiCurrAxis_ >= 1 && multiCurrAxis_ <= 3
                                 ? multiCurrAxis_
                                 : int16_t{0};
        barNum_[static_cast<size_t>(axis)] =
            NearInt16(Val(Mid(reply, replies::kDataBarPos, replies::kDataBarLen)));
        flags |= NewReadingFlags();
        const std::string code = Mid(reply, replies::kDataUnitsPos, replies::kCodeLen);
        if (code != unitsCode_) {
            unitsCode_ = code;
            const std::string oldText = unitsStr_;
            DecodeUnits52xx();
            if (unitsStr_ != oldText) {
                ClearMaxHold();
            }
            if (unitsChangedByProbe_ != 0) {
                unitsNo_ = trackedUnit_;
            }
            RecomputeThreshold();
            flags |= kUnitsChanged;
        }
        // Scaled again here so that a reply which changed the units uses its own units class.
        fieldValue_ = ScaledNumber(reply);
        fieldText_ = Mid(reply, replies::kDataNumberPos, replies::kDataNumberLen);
        if (multiplexOn_ == 0) {
            UpdateAxis(0, fieldValue_);
            UpdateTotal();
        } else {
            const std::string ax = Mid(reply, replies::kDataAxisPos, replies::kCodeLen);
            const int a = ax == "EDD" ? 1 : ax == "DED" ? 2 : ax == "DDE" ? 3 : 0;
            if (a != 0) {
                UpdateAxis(a, fieldValue_);
                UpdateTotal();
            }
        }
        const char battery = reply[replies::kDataBatteryPos];
        if (battery != 'N') {
            flags |= kBatteryState;
            if (battery == 'F') {
                Message("Battery needs charging.  Set probe to off position to discontinue this "
                        "message.",
                        ProbeMsgIcon::Critical);
            }
        }
        if (underRangeFlag_ != 0 && autoRangeOn_ == 0) {
            flags |= kUnderRange;
        }
        if (overRangeFlag_ != 0 && autoRangeOn_ == 0) {
            flags |= kOverRange;
        }
        const std::string axisCode = Mid(reply, replies::kDataAxisPos, replies::kCodeLen);
        if (axisCode != axisCode_) {
            if (axisCode.size() > 2) {
                axisStr_ = "A" + axisCode + '\r';
            }
            axisCode_ = axisCode;
            flags |= kAxisChanged;
        }
        missingCnt_ = 0;
        unitsChangedByProbe_ = 0;
    } else if (p == ":R" || p == "#R") {
        const char c = reply.size() > 2 ? reply[2] : ' ';
        if (c >= '0' && c <= '5') {
            range_ = static_cast<int16_t>(c - '0');
        }
        RecomputeThreshold();
        if (idStep_ == -1) {
            idStep_ = 1;
        }
        if (range_ == 0) {
            if (unitsCode_ == " M ") {
                mAMultiplier_ = 1;
            } else if (unitsCode_ == "   ") {
                mAMultiplier_ = 1000;
            }
            thresholdFraction_ = std::sqrt(0.06f);
            unitsStr_ = "mA";
        }
        missingCnt_ = 0;
        flags |= kRangeChanged;
    } else if (p == ":N" || p == "#P") {
        missingCnt_ = 0;
    } else if (p == ":B" || p == "#B") {
        battery_ =
            static_cast<float>(Val(Mid(reply, replies::kBatteryPos, replies::kBatteryFieldLen)));
        missingCnt_ = 0;
        flags |= kBattery;
    } else if (p == ":T" || p == "#T") {
        temperature_ =
            static_cast<float>(Val(Mid(reply, replies::kTempPos, replies::kTempFieldLen)));
        missingCnt_ = 0;
        flags |= kTemperature;
    } else if (p == ":Z" || p == "#Z" || p == ":A" || p == "#A" || p == ":U" || p == "#U") {
        // acknowledgements
    } else if (p == ":P") {
        Message("Communication mode command received", ProbeMsgIcon::Information);
    } else if (p == ":E" || p == "#E") {
        if (errorCnt_ < INT16_MAX) {
            ++errorCnt_;
        }
    } else {
        // Several unknown lines in a row: forget the codes so the next good data line
        // re-announces units and axes.
        if (missingCnt_ < INT16_MAX) {
            ++missingCnt_;
        }
        if (missingCnt_ > 3) {
            unitsCode_ = "xxx";
            axisCode_.clear();
        }
    }
    return flags;
}

void clsProbe::DecodeUnits52xx() {
    const bool id = Identified();
    const std::string& c = unitsCode_;
    const auto set = [this](const std::string& text, int16_t cls, bool sq) {
        unitsStr_ = text;
        unitsClass_ = cls;
        squared_ = sq;
        thresholdFraction_ = sq ? 0.06f : std::sqrt(0.06f);
    };
    if (c == " V ") {
        set("V/m", 1, false);
    } else if (c == "KV ") {
        set(id ? "V/m" : "k(V/m)", 1, false);
    } else if (c == "MW2") {
        set("mW/cm" + kSq, 3, true);
    } else if (c == " W2") {
        set(id ? "mW/cm" + kSq : "W/cm" + kSq, 3, true);
    } else if (c == " V2" || c == "KV2") {
        if (id) {
            const bool kilo = model_ == "KD-5233 MSE" || model_ == "KD-5233 STE";
            set((kilo ? "k(V/m)" : "(V/m)") + kSq, 2, true);
        } else {
            set((c == "KV2" ? "k(V/m)" : "(V/m)") + kSq, 2, true);
        }
    } else if (c == "MA ") {
        set(id ? "mA/m" : "m A/m", 1, false);
    } else if (c == " A ") {
        set(id ? "mA/m" : "A/m", 1, false);
    } else if (c == "MA2") {
        set("m(A/m)" + kSq, 2, true);
    } else if (c == " A2") {
        set(id ? "m(A/m)" + kSq : "(A/m)" + kSq, 2, true);
    } else if (c == " M " || c == "   ") {
        set(id ? "mA" : (c == " M " ? "mA" : "A"), id ? int16_t{2} : unitsClass_, false);
    } else if (c == "UW2" && id) {
        unitsStr_ = "uW/cm" + kSq;
        squared_ = true;
    } else {
        Message(id ? "units not known" : "Units Not Known", ProbeMsgIcon::Exclamation);
        unitsStr_.clear();
    }
    if (model_ == "KD-1902" && range_ == 0) {
        unitsStr_ = "mA";
        if (c == " M ") {
            mAMultiplier_ = 1;
        } else if (c == "   ") {
            mAMultiplier_ = 1000;
        }
    }
}

void clsProbe::DecodeUnits1400() {
    const std::string& c = unitsCode_;
    int16_t unit = 0;
    if (c == " V ") {
        unitsStr_ = "V/m";
        unit = 1;
    } else if (c == "MW2") {
        unitsStr_ = "mW/cm" + kSq;
        unit = 2;
    } else if (c == " W2") {
        unitsStr_ = "W/m" + kSq;
        unit = 3;
    } else if (c == "UW2") {
        unitsStr_ = "uW/cm" + kSq;
        unit = 4;
    } else if (c == "MA ") {
        unitsStr_ = "mA/m";
        unit = 5;
    } else if (c == " A ") {
        unitsStr_ = "A/m";
        unit = 1;
    } else {
        Message("Units Not Known", ProbeMsgIcon::Exclamation);
        unitsStr_.clear();
    }
    unitsClass_ = 1;
    if (unit != 0) {
        unitsNo_ = unit;
    }
}

int16_t clsProbe::InputStr1400(const std::string& reply) {
    const std::string p = reply.substr(0, 2);
    int16_t flags = 0;
    if (p == ":D" && reply.size() > 9) {
        flags |= NewReadingFlags();
        const std::string code = Mid(reply, replies::kDataUnitsPos, replies::kCodeLen);
        if (code != unitsCode_) {
            unitsCode_ = code;
            DecodeUnits1400();
            if (unitsChangedByProbe_ != 0) {
                unitsNo_ = trackedUnit_;
            }
            ClearMaxHold();
            flags |= kUnitsChanged;
        }
        fieldText_ = Mid(reply, replies::kDataNumberPos, replies::kDataNumberLen);
        fieldValue_ = ScaledNumber(reply);
        UpdateAxis(0, fieldValue_);
        UpdateTotal();
    } else if (p == ":B") {
        battery_ =
            static_cast<float>(Val(Mid(reply, replies::kBatteryPos, replies::kBatteryFieldLen)));
        flags |= kBattery;
    } else if (p == ":T") {
        temperature_ =
            static_cast<float>(Val(Mid(reply, replies::kTempPos, replies::kTempFieldLen)));
        flags |= kTemperature;
    } else if (p == ":I") {
        serialNo_ = Mid(reply, replies::kIdentSerialPos, replies::kIdentSerialLen);
        calDate_ = Mid(reply, 24, 2) + "/" + Mid(reply, 26, 2) + "/" + Mid(reply, 28, 4);
    } else if (p == ":i") {
        softwareRev_ = Mid(reply, replies::kRevisionPos, replies::kRevisionFieldLen);
    }
    return flags;
}

void clsProbe::UpdateAxis(int axis, float value) {
    const auto a = static_cast<size_t>(axis);
    const int16_t pct = NearInt16(barNum_[a] / 255.0 * 100.0);
    barPct_[a] = pct;
    na_[a] = value;
    if (pausePeakHold_ < 1) {
        maxHold_[a] = std::max(maxHold_[a], value);
        minHold_[a] = std::min(minHold_[a], value);
    }
    if (average_ < 2) {
        avg_[a] = value;
        barPctAvg_[a] = pct;
    } else {
        int16_t& idx = slotIndex_[a];
        idx = idx >= average_ ? int16_t{1} : static_cast<int16_t>(idx + 1);
        slotValue_[a][static_cast<size_t>(idx)] = value;
        slotBar_[a][static_cast<size_t>(idx)] = pct;
        double sum = 0;
        double barSum = 0;
        for (int i = 1; i <= average_; ++i) {
            sum += slotValue_[a][static_cast<size_t>(i)];
            barSum += slotBar_[a][static_cast<size_t>(i)];
        }
        avg_[a] = static_cast<float>(sum / average_);
        barPctAvg_[a] = NearInt16(barSum / average_);
    }
    if (axis >= 1 && (axisEnabled_ & (1 << (axis - 1))) == 0) {
        avg_[a] = 0;
    }
}

void clsProbe::UpdateTotal() {
    if (multiplexOn_ != 0) {
        if (squared_) {
            xyzNA_ = na_[1] + na_[2] + na_[3];
            xyzAxis_ = avg_[1] + avg_[2] + avg_[3];
        } else {
            xyzNA_ = std::sqrt(na_[1] * na_[1] + na_[2] * na_[2] + na_[3] * na_[3]);
            xyzAxis_ = std::sqrt(avg_[1] * avg_[1] + avg_[2] * avg_[2] + avg_[3] * avg_[3]);
        }
    } else {
        xyzNA_ = na_[0];
        xyzAxis_ = avg_[0];
        minHoldXYZ_ = std::min(minHoldXYZ_, xyzNA_);
    }
    if (pausePeakHold_ < 1) {
        maxHoldXYZ_ = std::max(maxHoldXYZ_, xyzNA_);
    }
}

float clsProbe::MinHoldXYZ() const {
    if (multiplexOn_ == 0) {
        return minHoldXYZ_;
    }
    const std::string& u = unitsStr_;
    if (u == "mW/cm" + kSq || u == "(V/m)" + kSq || u == "k(V/m)" + kSq || u == "m(A/m)" + kSq ||
        u == "(A/m)" + kSq || u == "W/cm" + kSq) {
        return minHold_[1] + minHold_[2] + minHold_[3];
    }
    if (u == "V/m" || u == "m A/m" || u == "A/m" || u == "k(V/m)" || u == "mA" || u == "A") {
        const double x = minHold_[1];
        const double y = minHold_[2];
        const double z = minHold_[3];
        return static_cast<float>(std::sqrt(x * x + y * y + z * z));
    }
    return 0;
}

void clsProbe::Average(int16_t value) {
    average_ = std::clamp<int16_t>(value, 0, kSlots);
    for (auto& idx : slotIndex_) {
        if (idx > average_) {
            idx = 0;
        }
    }
}

// A new reading, with the events that waited for it.
int16_t clsProbe::NewReadingFlags() {
    int16_t flags = kNewReading;
    if (configChanged_ != 0) {
        flags |= kConfigChanged;
        configChanged_ = 0;
    }
    if (autoRangeSwitchedOff_ != 0) {
        flags |= kRangeChanged;
        autoRangeSwitchedOff_ = 0;
    }
    return flags;
}

} // namespace vireon
