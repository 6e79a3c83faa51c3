#include "sim_fiber.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vireon::sim {

SimFiberUnit::SimFiberUnit(FieldScenario scenario, FiberOptions options)
    : scenario_(std::move(scenario)), options_(std::move(options)) {}

namespace {
std::string Hex(int value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, static_cast<unsigned>(value) & 0xFFFFu);
    std::string s(buf);
    return s.substr(s.size() - static_cast<size_t>(digits));
}

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

std::optional<std::string> SimFiberUnit::Answer(const std::string& command, double t) {
    if (command == "i") {
        laserOn_ = true;
        noDataLeft_ = options_.noDataReplies;
        return std::nullopt;
    }
    if (command == "o") {
        laserOn_ = false;
        return std::nullopt;
    }
    if (!laserOn_) {
        return std::nullopt; // the probe is unpowered without the laser
    }
    if (command == "I") {
        return ":I" + options_.model.substr(0, 4) + options_.softVer.substr(0, 10) +
               options_.serialNo.substr(0, 8) + options_.calDate.substr(0, 8) + "0\r";
    }
    if (command == "M") {
        return CalibrationReply();
    }
    if (command == "s") {
        const int conv = static_cast<int>(std::lround(5.0 / ((3.3 / 1024) * (23.3 / 13.3))));
        const int probeTemp = static_cast<int>(std::lround(options_.probeTempC * 200));
        const int laserTemp = static_cast<int>(std::lround(options_.laserTempC / 0.0625));
        const int current = static_cast<int>(std::lround((1 - 1.25 / 5.0) * 4095));
        return ":s" + std::string(12, '0') + Hex(conv, 4) + Hex(probeTemp, 4) + "000000" +
               Hex(laserTemp, 4) + Hex(current, 4) + "\r";
    }
    if (command == "S") {
        if (noDataLeft_ > 0) {
            --noDataLeft_;
            return ":S000000000000000F\r";
        }
        const auto f = scenario_(t);
        std::string counts;
        std::string gains;
        for (double v : f) {
            int n = 0;
            int code = 0;
            Encode(v, n, code);
            counts += Hex(n, 3);
            gains += Hex(code, 2);
        }
        return ":S" + counts + gains + (options_.batteryLow ? "F" : "0") + "\r";
    }
    if (command == "B") {
        return ":B" + Hex(std::clamp(options_.batteryPercent, 0, 100), 2) + "0\r";
    }
    if (command == "T") {
        int v = static_cast<int>(std::lround(options_.probeTempC * 2));
        if (v < 0) {
            v += 512; // nine-bit two's complement, as the probe sends it
        }
        return ":T" + Hex(v, 4) + "\r";
    }
    return std::nullopt;
}

} // namespace vireon::sim
