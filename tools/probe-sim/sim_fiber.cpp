#include "sim_fiber.h"

#include "probe/fiber_replies.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vireon::sim {

SimFiberUnit::SimFiberUnit(FieldScenario scenario, FiberOptions options)
    : scenario_(std::move(scenario)), options_(std::move(options)) {}

namespace {
// The probe's character coding of decimal fields: 0 -> A, - -> B, . -> D.
std::string Coded(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%8.6f", v);
    std::string s(buf);
    s = s.substr(0, 8);
    for (char& c : s) {
        if (c == '0') {
            c = 'A';
        } else if (c == '-') {
            c = 'B';
        } else if (c == '.') {
            c = 'D';
        }
    }
    return s;
}
} // namespace

std::string SimFiberUnit::CalibrationReply() {
    std::string reply = ":M";
    // Field f: coefficient c = f mod 3, axis = (f / 3) mod 3, segment = (f / 9) mod 2,
    // gain index = f / 18 + 1. Both segments and all axes share the line of their gain.
    for (int f = 0; f < 72; ++f) {
        const int c = f % 3;
        const int g = f / 18 + 1;
        const double value = c == 0 ? 0.0 : (c == 1 ? kSlope[g] : 1.0);
        reply += Coded(value);
    }
    reply += "\r";
    return reply;
}

void SimFiberUnit::Encode(double field, int& count, int& gainCode) {
    field = std::max(0.0, field);
    for (int g = 1; g <= 4; ++g) {
        const double n = std::round(field / kSlope[g]);
        if (n <= 4000 || g == 4) {
            count = static_cast<int>(std::min(4095.0, n));
            gainCode = kGainCode[g];
            return;
        }
    }
}

BatteryState SimFiberUnit::Battery(double t) const {
    BatteryState b = options_.battery(t);
    b.low = b.low != lowToggled_;
    return b;
}

std::optional<std::string> SimFiberUnit::Answer(const std::string& command, double t) {
    using namespace fiber;
    if (command == kCmdLaserOn) {
        laserOn_ = true;
        noDataLeft_ = options_.noDataReplies;
        return std::nullopt;
    }
    if (command == kCmdLaserOff) {
        laserOn_ = false;
        return std::nullopt;
    }
    if (!laserOn_) {
        return std::nullopt; // the probe is unpowered without the laser
    }
    if (command == kCmdIdentify) {
        return EncodeIdentification(options_.model, options_.softVer, options_.serialNo,
                                    options_.calDate);
    }
    if (command == kCmdCalibration) {
        return CalibrationReply();
    }
    if (command == kCmdUnitStatus) {
        UnitStatus st;
        st.ConvVoltRaw = static_cast<int16_t>(std::lround(5.0 / ((3.3 / 1024) * (23.3 / 13.3))));
        st.ProbeTempRaw = static_cast<int16_t>(std::lround(options_.probeTempC * 200));
        st.LaserTempRaw = static_cast<int16_t>(std::lround(options_.laserTempC / 0.0625));
        st.LaserCurrentRaw = static_cast<int16_t>(std::lround((1 - 1.25 / 5.0) * 4095));
        return EncodeUnitStatus(st);
    }
    if (command == kCmdData) {
        if (noDataLeft_ > 0) {
            --noDataLeft_;
            return std::string(kNoDataReply) + kCr;
        }
        const auto f = scenario_(t);
        Data d;
        d.BatteryLow = Battery(t).low;
        for (size_t a = 0; a < 3; ++a) {
            int n = 0;
            int code = 0;
            Encode(f[a], n, code);
            d.Counts[a] = static_cast<int16_t>(n);
            d.GainCodes[a] = static_cast<uint8_t>(code);
        }
        return EncodeData(d);
    }
    if (command == kCmdBattery || command == kCmdBatteryProbe) {
        return EncodeBattery(Battery(t).percent);
    }
    if (command == kCmdTemperature) {
        return EncodeTemperature(options_.probeTempC);
    }
    return std::nullopt;
}

} // namespace vireon::sim
