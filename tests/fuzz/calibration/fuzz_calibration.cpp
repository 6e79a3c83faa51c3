// Feeds arbitrary bytes to the fiber-optic calibration and field object: the first line as a
// calibration upload (the simulator's calibration stands when it is refused), every further line as
// a data reply. Byte 0 picks units and averaging, byte 1 the equation type. A line starting with
// '!' is a user action instead (zero, units, averaging, holds, gain resistors, another upload).

#include "common/numfmt.h"
#include "probe/cls7300.h"
#include "probe/fiber_replies.h"
#include "sim_fiber.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using vireon::Cls7300;

class SilentHost final : public vireon::ProbeHost {
public:
    void MsgBox(const std::string&, vireon::ProbeMsgIcon) override {}
    void Delay(int32_t) override {}
    std::string AutoNextCmndS(const std::string&, const std::string&) override { return {}; }
};

void Action(Cls7300& k, const std::string& line) {
    const uint8_t arg = line.size() > 2 ? static_cast<uint8_t>(line[2]) : 0;
    const std::string tail = line.size() > 3 ? line.substr(3) : std::string();
    switch (line.size() > 1 ? line[1] : ' ') {
    case 'r':
        k.SetRef();
        break;
    case 'c':
        k.ClearRef();
        break;
    case 'u':
        k.Units(arg);
        break;
    case 'a':
        k.Averaging(arg);
        break;
    case 'e':
        k.EquationType(arg);
        break;
    case 'p':
        k.PausePeakHold(static_cast<int16_t>(static_cast<int8_t>(arg)));
        break;
    case 'm':
        k.ClearMaxHold();
        break;
    case 'n':
        k.ClearMinHold();
        break;
    case 'o':
        k.OffsetAverage(static_cast<int16_t>(static_cast<int8_t>(arg)),
                        static_cast<float>(vireon::Val(tail)));
        break;
    case 'g': {
        const auto v = static_cast<float>(vireon::Val(tail));
        k.SetGainFactor(static_cast<int16_t>(static_cast<int8_t>(arg)), v, v / 2, 1 - v);
        break;
    }
    case 'f':
        (void)k.CalculateFieldXYZ(tail, static_cast<float>(static_cast<int8_t>(arg)) * 40,
                                  static_cast<int16_t>(arg * 17));
        break;
    default:
        k.ParseCoeff(line.substr(line.size() > 1 ? 2 : line.size()));
        break;
    }
}

// What the window reads after every reply, plus the rules that must always hold.
void Check(const Cls7300& k) {
    volatile float sink = k.XYZNA() + k.MaxHoldXYZ() + k.MinHoldX() + k.VoltDiodeX() + k.GainYY() +
                          k.QueryGainFactor(2);
    (void)sink;
    const bool ok = !(k.Xaxis() < 0) && !(k.Yaxis() < 0) && !(k.Zaxis() < 0) && !(k.XYZ() < 0) &&
                    !(k.XNA() < 0) && !(k.ZNA() < 0) && k.Units() <= 2 &&
                    k.Averaging() <= Cls7300::kMaxAveraging &&
                    k.ZeroSampleCount() <= k.Averaging() && k.EquationType() != 1 &&
                    k.EquationType() != 2 && k.CountX() >= 0 && k.CountX() <= 4095;
    if (!ok) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    // Building the tables takes most of a run; a refused upload starts from a calibrated copy.
    static const Cls7300 calibrated = [] {
        Cls7300 c;
        c.ParseCoeff(vireon::sim::SimFiberUnit::CalibrationReply());
        return c;
    }();
    SilentHost host;
    Cls7300 k;
    const size_t firstEnd =
        std::string_view(reinterpret_cast<const char*>(data + 2), size - 2).find('\n');
    const size_t firstLen = firstEnd == std::string_view::npos ? size - 2 : firstEnd;
    if (firstLen != vireon::fiber::kCalLen) {
        k = calibrated; // the upload below is refused anyway
    }
    k.SetHost(&host);
    k.Units(data[0] & 3);
    k.Averaging(static_cast<uint8_t>(data[0] >> 2));
    k.EquationType(data[1]);

    bool first = true;
    std::string line;
    for (size_t i = 2; i <= size; ++i) {
        if (i < size && data[i] != '\n') {
            line += static_cast<char>(data[i]);
            continue;
        }
        if (first) {
            (void)k.ParseCoeff(line);
            first = false;
        } else if (!line.empty() && line[0] == '!') {
            Action(k, line);
        } else {
            k.ParseCal7300(line);
        }
        Check(k);
        line.clear();
    }
    return 0;
}
