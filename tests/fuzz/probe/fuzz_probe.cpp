// Feeds arbitrary reply lines to the probe object in every family state.
// Input: byte 0 picks the starting state, byte 1 the options; the rest is split into reply
// lines at '\n'. A line starting with '!' drives a window action instead of being a reply.

#include "probe/clsProbe.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class FuzzHost final : public vireon::ProbeHost {
public:
    void MsgBox(const std::string&, vireon::ProbeMsgIcon) override {}
    void Delay(int32_t) override {}
    std::string AutoNextCmndS(const std::string& code, const std::string&) override {
        return code == ":M0" ? "s\r" : "";
    }
};

constexpr std::array<const char*, 19> kModels = {"KD-5233 STE",
                                                 "KD-5233 HSE",
                                                 "KD-5233 MSE",
                                                 "KD-5233 GRE",
                                                 "KD-5253",
                                                 "KD-5233 LFH",
                                                 "KD-5233 CH",
                                                 "KD-5233 HCH",
                                                 "KD-5257",
                                                 "KD-5222",
                                                 "KD-5250/5255",
                                                 "KD-5256",
                                                 "KD-1836",
                                                 "KD-1902",
                                                 "E150",
                                                 "H250",
                                                 "KD-7310",
                                                 "KD-7300",
                                                 ""};

void Action(vireon::clsProbe& p, const std::string& line) {
    const std::string tail = line.size() > 2 ? line.substr(2) : std::string();
    const int arg = line.size() > 2 ? static_cast<signed char>(line[2]) : 0;
    switch (line.size() > 1 ? line[1] : ' ') {
    case 'n':
        p.SetNextCmnd(tail);
        break;
    case 'r':
        p.Range(static_cast<int16_t>(arg));
        break;
    case 'a':
        p.AutoRangeOn(static_cast<int16_t>(arg));
        break;
    case 'x':
        p.ToggleAxis(static_cast<int16_t>(arg));
        break;
    case 's':
        p.SetAxisRange(static_cast<int16_t>(arg), static_cast<int16_t>(arg / 3));
        break;
    case 'l':
        p.LostComm(static_cast<uint8_t>(arg & 1));
        break;
    case 'm':
        p.MultiplexPrefered(static_cast<int16_t>(arg));
        break;
    case 'u':
        p.UnitsNo7300(static_cast<int16_t>(arg));
        break;
    case 'v':
        p.Average(static_cast<int16_t>(arg));
        break;
    case 'q':
        p.SampleRate(static_cast<int16_t>(arg));
        break;
    case 'h':
        p.SetHighSpeedMode(static_cast<int16_t>(arg));
        break;
    case 'e':
        p.AxisEnabled(static_cast<int16_t>(arg));
        break;
    case 'g':
        p.SetGraphType(tail);
        break;
    default:
        p.EnterModel(tail);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    FuzzHost host;
    vireon::clsProbe p;
    p.SetHost(&host);
    const uint8_t state = data[0];
    const uint8_t opts = data[1];
    const uint8_t family = state % 5; // 4: four-range probe in the middle of identification
    const char* model = kModels[(state / 5) % kModels.size()];
    if (family == 4) {
        p.InputStr2(":R2\r");
        p.InputStr2(":R2\r");
    } else if (family != 0) {
        p.TypeNumb(family);
        p.EnterModel(model);
    }
    p.MultiplexPrefered((opts & 1) != 0 ? 1 : 0);
    p.AutoRangeOn((opts & 2) != 0 ? 1 : 0);
    p.Average(static_cast<int16_t>(opts >> 2));
    p.UseCelsiusTemp((opts & 0x80) != 0 ? 1 : 0);

    std::string line;
    for (size_t i = 2; i <= size; ++i) {
        if (i == size || data[i] == '\n') {
            if (!line.empty() && line[0] == '!') {
                Action(p, line);
            } else {
                p.InputStr2(line);
            }
            // What the window reads after every reply.
            (void)p.GetRangeString(p.Range());
            (void)p.GetGraphSelection();
            (void)p.GetGraphScales(p.Range(), 0);
            (void)p.XYZAxisStr();
            (void)p.MinHoldXYZ();
            (void)p.MaxHoldX();
            (void)p.GetPercentOfScale();
            (void)p.GetOverRangeVal();
            (void)p.GetUnderRangeVal();
            (void)p.GetMaxSamRate();
            line.clear();
        } else {
            line += static_cast<char>(data[i]);
        }
    }
    return 0;
}
