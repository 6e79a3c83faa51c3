#include "probe/fiber_replies.h"

#include "common/numfmt.h"

#include <algorithm>
#include <cmath>

namespace vireon::fiber {

namespace {

std::string_view Mid(std::string_view s, size_t pos, size_t len) {
    return pos >= s.size() ? std::string_view() : s.substr(pos, len);
}

std::optional<int32_t> HexAt(std::string_view s, size_t pos, size_t len) {
    if (pos + len > s.size()) {
        return std::nullopt;
    }
    return HexValue(s.substr(pos, len));
}

Reply DecodeData(std::string_view r) {
    if (r.size() < kDataMinLen) {
        return PartialData{};
    }
    if (StartsWith(r, kNotInitializedPrefix)) {
        return NotInitialized{r[kDataBatteryPos] == 'F'};
    }
    if (auto d = DataFields(r)) {
        return *d;
    }
    return Unknown{};
}

Reply DecodeStatus(std::string_view r) {
    if (r.size() < kStatusMinLen) {
        return Unknown{};
    }
    const auto conv = Hex16(r.substr(kStatusConvVoltPos, kStatusFieldLen));
    const auto probe = Hex16(r.substr(kStatusProbeTempPos, kStatusFieldLen));
    const auto laser = Hex16(r.substr(kStatusLaserTempPos, kStatusFieldLen));
    const auto current = Hex16(r.substr(kStatusLaserCurrentPos, kStatusFieldLen));
    if (!conv || !probe || !laser || !current) {
        return Unknown{};
    }
    return UnitStatus{*conv, *probe, *laser, *current};
}

} // namespace

std::optional<Data> DataFields(std::string_view r) {
    if (r.size() < kDataMinLen) {
        return std::nullopt;
    }
    Data d;
    d.BatteryLow = r[kDataBatteryPos] == 'F';
    for (size_t a = 0; a < 3; ++a) {
        const auto n = HexAt(r, kDataCountPos + kDataCountLen * a, kDataCountLen);
        const auto g = HexAt(r, kDataGainPos + kDataGainLen * a, kDataGainLen);
        if (!n || !g) {
            return std::nullopt;
        }
        d.Counts[a] = static_cast<int16_t>(*n);
        d.GainCodes[a] = static_cast<uint8_t>(*g);
    }
    return d;
}

bool StartsWith(std::string_view reply, std::string_view prefix) {
    return reply.substr(0, prefix.size()) == prefix;
}

std::optional<int16_t> Hex16(std::string_view digits) {
    const auto v = HexValue(digits);
    if (!v) {
        return std::nullopt;
    }
    return static_cast<int16_t>(static_cast<uint16_t>(*v));
}

Reply Decode(std::string_view r) {
    if (r.size() < 2 || r[0] != ':') {
        return Unknown{};
    }
    switch (r[1]) {
    case 'I': {
        Identification id;
        id.Model = Mid(r, kIdentModelPos, kIdentModelLen);
        id.SoftVer = Mid(r, kIdentSoftVerPos, kIdentSoftVerLen);
        id.SerialNo = Mid(r, kIdentSerialPos, kIdentSerialLen);
        id.CalDate = std::string(Mid(r, kIdentMonthPos, 2)) + "/" +
                     std::string(Mid(r, kIdentDayPos, 2)) + "/" +
                     std::string(Mid(r, kIdentYearPos, 4));
        id.Complete = r.size() == kIdentLen;
        return id;
    }
    case 'M':
        return Calibration{r, r.size() == kCalLen};
    case 's':
        return DecodeStatus(r);
    case 'S':
        return DecodeData(r);
    case 'B': {
        const auto v = HexAt(r, kBatteryPos, kBatteryFieldLen);
        if (!v) {
            return Unknown{};
        }
        return Battery{std::min(100, *v), r.size() == kBatteryLen};
    }
    case 'T': {
        auto v = HexAt(r, kTempPos, kTempFieldLen);
        if (!v) {
            return Unknown{};
        }
        int32_t n = *v;
        if ((n & 256) != 0) {
            n -= 512;
        }
        return Temperature{n / 2.0};
    }
    case 'E':
        return Refusal{};
    case 'F':
        return SpeedChange{r.size() > 2 ? r[2] : '\0'};
    default:
        return Unknown{};
    }
}

bool IsIdentification(std::string_view r) {
    return StartsWith(r, ":I") && r.size() >= kIdentMinLen;
}
bool IsCalibration(std::string_view r) {
    return StartsWith(r, ":M") && r.size() >= kCalLen;
}
bool IsUnitStatus(std::string_view r) {
    return StartsWith(r, ":s") && r.size() >= kStatusLen;
}
bool IsData(std::string_view r) {
    return StartsWith(r, ":S") && r.size() >= kDataLen;
}
bool IsNoData(std::string_view r) {
    return StartsWith(r, kNoDataReply);
}

std::string HexDigits(int value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s(static_cast<size_t>(digits), '0');
    auto v = static_cast<uint32_t>(value);
    for (int i = digits - 1; i >= 0; --i) {
        s[static_cast<size_t>(i)] = kDigits[v & 0xFu];
        v >>= 4;
    }
    return s;
}

std::string Command(std::string_view word) {
    return std::string(word) + kCr;
}

std::string EncodeIdentification(std::string_view model, std::string_view softVer,
                                 std::string_view serialNo, std::string_view calDateMdy) {
    auto fit = [](std::string_view s, size_t n) {
        std::string t(s.substr(0, n));
        t.resize(n, '0');
        return t;
    };
    // Column 33 is not used by the monitor; the unit sends a digit there.
    return ":I" + fit(model, kIdentModelLen) + fit(softVer, kIdentSoftVerLen) +
           fit(serialNo, kIdentSerialLen) + fit(calDateMdy, 8) + "0" + kCr;
}

std::string EncodeUnitStatus(const UnitStatus& s) {
    std::string r = ":s" + std::string(kStatusConvVoltPos - 2, '0');
    r += HexDigits(s.ConvVoltRaw, 4);
    r += HexDigits(s.ProbeTempRaw, 4);
    r += std::string(kStatusLaserTempPos - kStatusProbeTempPos - kStatusFieldLen, '0');
    r += HexDigits(s.LaserTempRaw, 4);
    r += HexDigits(s.LaserCurrentRaw, 4);
    return r + kCr;
}

std::string EncodeData(const Data& d) {
    std::string r = ":S";
    for (int16_t n : d.Counts) {
        r += HexDigits(std::clamp<int>(n, 0, 4095), 3);
    }
    for (uint8_t g : d.GainCodes) {
        r += HexDigits(g, 2);
    }
    return r + (d.BatteryLow ? 'F' : '0') + kCr;
}

std::string EncodeBattery(int percent) {
    return ":B" + HexDigits(std::clamp(percent, 0, 100), 2) + "0" + kCr;
}

std::string EncodeTemperature(double celsius) {
    auto v = static_cast<int>(std::lround(celsius * 2));
    if (v < 0) {
        v += 512;
    }
    return ":T" + HexDigits(v, 4) + kCr;
}

} // namespace vireon::fiber
