#pragma once
// Helpers shared by the probe tests: a host that records what it was asked, and a loop that
// lets a probe object talk to a simulated probe.

#include "probe/clsProbe.h"
#include "sim_device.h"

#include <string>
#include <vector>

namespace vireon::testing {

struct RecordingHost : ProbeHost {
    std::vector<std::string> messages;
    std::vector<int32_t> delays;
    std::vector<std::string> handoffCodes;
    std::string answer;
    void MsgBox(const std::string& text, ProbeMsgIcon) override { messages.push_back(text); }
    void Delay(int32_t ms) override { delays.push_back(ms); }
    std::string AutoNextCmndS(const std::string& code, const std::string&) override {
        handoffCodes.push_back(code);
        return answer;
    }
};

inline std::string Bare(std::string cmd) {
    if (!cmd.empty() && cmd.back() == '\r') {
        cmd.pop_back();
    }
    return cmd;
}

// A family-2 probe of the given model, as after identification.
inline clsProbe Family2(const std::string& model) {
    clsProbe p;
    p.TypeNumb(2);
    p.EnterModel(model);
    return p;
}

// Sends the probe's current command to the simulated device and feeds the reply back through
// InputStr2, `turns` times. Returns the commands sent, without their carriage returns. With
// `wrongLengths`, also collects the commands whose reply length differs from the length the
// probe object expects.
inline std::vector<std::string> Drive(clsProbe& probe, sim::SimDevice& dev, int turns,
                                      std::vector<int16_t>* flags = nullptr,
                                      std::vector<std::string>* wrongLengths = nullptr) {
    std::vector<std::string> sent;
    for (int i = 0; i < turns; ++i) {
        const std::string cmd = Bare(probe.GetNextCmnd2());
        sent.push_back(cmd);
        const auto reply = dev.Answer(cmd, 0.0);
        if (wrongLengths != nullptr &&
            reply.value_or("").size() != static_cast<size_t>(probe.GetRThreshold())) {
            wrongLengths->push_back(cmd);
        }
        const int16_t f = probe.InputStr2(reply.value_or(""));
        if (flags != nullptr) {
            flags->push_back(f);
        }
    }
    return sent;
}

// A family-2 data reply: number (5 characters), units code, bar, over mark, battery, axes.
inline std::string Data(const std::string& number, const std::string& code, char over = ' ',
                        char battery = 'N', const std::string& axes = "EEE",
                        const std::string& bar = "128") {
    return ":D" + number + code + bar + over + battery + axes + "\r";
}

} // namespace vireon::testing
