#pragma once
// Test doubles of the platform seams that record what was asked of them.

#include "acquisition/PortCatalog.h"
#include "acquisition/ReadCycle.h"
#include "acquisition/SerialLink.h"
#include "acquisition/UserPrompts.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vireon::test {

class FakeSerialLink : public SerialLink {
public:
    void Open(int16_t port) override {
        if (unopenable.count(port) != 0) {
            throw SerialError(8005, "Port cannot be opened");
        }
        open_ = true;
        port_ = port;
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    int16_t CommPort() const override { return port_; }
    void Output(const std::string& text) override {
        if (vanished) {
            throw SerialError(kErrPortVanished, "gone");
        }
        sent.push_back(text);
        if (OnOutput) {
            OnOutput(text);
        }
    }
    std::string Input() override {
        ++inputs;
        if (vanished) {
            throw SerialError(kErrPortVanished, "gone");
        }
        if (readError) {
            throw SerialError(8005, "read failed");
        }
        std::string out;
        out.swap(rx);
        rx.swap(trickle);
        return out;
    }
    int InBufferCount() const override { return static_cast<int>(rx.size()); }
    void RThreshold(int16_t count) override { threshold = count; }
    int16_t RThreshold() const override { return threshold; }

    // Puts characters into the receive buffer and raises the receive event as the port would.
    void Receive(const std::string& text) {
        rx += text;
        if (threshold > 0 && static_cast<int>(rx.size()) >= threshold && OnReceive) {
            OnReceive();
        }
    }

    // Lets a test answer like the instrument would (queue the answer, deliver it later).
    std::function<void(const std::string&)> OnOutput;
    std::set<int> unopenable;
    std::vector<std::string> sent;
    std::string rx;
    // Arrives just after the next read: the rest of a reply still on its way.
    std::string trickle;
    int16_t threshold = 0;
    bool vanished = false;
    bool readError = false;
    int inputs = 0;

private:
    bool open_ = false;
    int16_t port_ = 0;
};

class FakePortCatalog : public PortCatalog {
public:
    bool PortExists(int n) override { return existing.count(n) != 0; }
    std::string DevicePath(int n) const override { return "/dev/fake" + std::to_string(n); }
    std::set<int> existing;
};

class FakePrompts : public UserPrompts {
public:
    struct Asked {
        std::string text;
        MsgIcon icon;
        MsgButtons buttons;
        std::string title;
    };
    MsgResult MsgBox(const std::string& text, MsgIcon icon, MsgButtons buttons,
                     const std::string& title) override {
        asked.push_back({text, icon, buttons, title});
        if (!answers.empty()) {
            MsgResult r = answers.front();
            answers.pop_front();
            return r;
        }
        return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
    }
    std::optional<std::string> InputBox(const std::string& prompt, const std::string&,
                                        const std::string& def) override {
        inputPrompts.push_back(prompt);
        if (!inputs.empty()) {
            auto r = inputs.front();
            inputs.pop_front();
            return r;
        }
        return def;
    }
    // Notices are recorded with the questions and stay open until the test closes them.
    void Notice(const std::string& text, MsgIcon icon, std::function<void()> closed) override {
        asked.push_back({text, icon, MsgButtons::Ok, {}});
        openNotices.push_back(std::move(closed));
        if (OnNotice) {
            OnNotice(text);
        }
    }
    void CloseNotices() {
        auto open = std::move(openNotices);
        openNotices.clear();
        for (auto& closed : open) {
            closed();
        }
    }
    std::optional<std::filesystem::path> OpenFileName(const std::string&, const std::string&,
                                                      const std::filesystem::path&) override {
        return openName ? openName : fileName;
    }
    std::optional<std::filesystem::path> SaveFileName(const std::string&, const std::string&,
                                                      const std::filesystem::path& folder,
                                                      const std::string&) override {
        saveOffered.push_back(folder);
        return fileName;
    }
    std::optional<int32_t> ChooseColor(int32_t) override { return color; }

    std::vector<Asked> asked;
    std::deque<MsgResult> answers;
    std::deque<std::optional<std::string>> inputs;
    std::vector<std::string> inputPrompts;
    std::optional<std::filesystem::path> fileName;
    std::optional<std::filesystem::path> openName;  // when set, File Open's answer alone
    std::vector<std::filesystem::path> saveOffered; // where each save chooser opened
    std::vector<std::function<void()>> openNotices;
    // Runs while a notice is open, as the window's event loop would (timers keep ticking).
    std::function<void(const std::string&)> OnNotice;
    std::optional<int32_t> color;
};

// A probe object that sends one command and records the replies it was shown.
class ScriptedProbe : public ProbeCommands {
public:
    std::string GetNextCmnd(const std::string& reply) override {
        replies.push_back(reply);
        if (choosing) {
            choosing();
        }
        return command;
    }
    int16_t GetRThreshold() override { return threshold; }
    double GetTimerInterval() override { return interval; }
    void LostComm(int16_t v) override { lostComm = v; }
    void StartARProbe(int16_t v) override { startAR = v; }
    void InputStr2(const std::string&) override {}

    std::string command = "S\r";
    int16_t threshold = 19;
    double interval = 50;
    int16_t lostComm = 0;
    int16_t startAR = 0;
    std::vector<std::string> replies;
    // Runs while the next command is chosen (time the handler takes before it goes out).
    std::function<void()> choosing;
};

// The read cycle's window: records what it was told; an accepted reply is kept (and handed to
// `OnProcess`) and ends the misses.
class FakeAcqView : public AcqView {
public:
    explicit FakeAcqView(AcqState& s) : s_(s) {}
    void ClearDisplay() override { ++clears; }
    void StatusText(const std::string& t) override { status = t; }
    void CheckPortEntry(int n, bool c) override { checked[n] = c; }
    void ShowPortEntry(int n, bool v) override { visible[n] = v; }
    void Process7300Format() override {
        processed.push_back(s_.ProbeData);
        s_.TimeOut = 0;
        if (OnProcess) {
            OnProcess(s_);
        }
    }
    void ClearBatteryLow() override { ++batteryCleared; }
    bool ARProbeChecked() const override { return arChecked; }
    void BusyPointer(bool b) override { busy = b; }
    void StartProgressBar(bool v, int) override { progressVisible = v; }
    bool ConfirmLaserOn() override { return confirm; }
    bool CalibrationAccepted(const std::string&) const override { return calAccepted; }

    int CheckedCount() const {
        int c = 0;
        for (const auto& [n, on] : checked) {
            c += on ? 1 : 0;
        }
        return c;
    }

    AcqState& s_;
    std::function<void(AcqState&)> OnProcess;
    int clears = 0;
    int batteryCleared = 0;
    std::string status;
    std::map<int, bool> checked;
    std::map<int, bool> visible;
    std::vector<std::string> processed;
    bool arChecked = false;
    bool confirm = true;
    bool calAccepted = true;
    bool progressVisible = false;
    bool busy = false;
};

} // namespace vireon::test
