#pragma once
// The window core on fakes and virtual time, and a laser unit with a fiber probe answering on
// the fake line.

#include "probe/fiber_replies.h"
#include "sim_fiber.h"
#include "support/FakeWindow.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace vireon::test {

struct CoreRig : PlatformFakes {
    FakeWindowView view;
    std::unique_ptr<WindowCore> core;

    // With a configuration for port 3 unless told otherwise.
    explicit CoreRig(bool withConfig = true) : PlatformFakes(withConfig) {
        core = std::make_unique<WindowCore>(Platform(), view);
    }
    ~CoreRig() { core.reset(); }
    WindowState& S() { return core->State(); }
    const std::string& Text(Ctl c) { return view.Of(c).text; }
};

// A started window with a fiber probe identified and calibrated, its readings fed straight to
// the reply processing. promptsText: the note-prompts file to start with.
struct FiberRig : CoreRig {
    explicit FiberRig(const char* promptsText = nullptr) {
        if (promptsText != nullptr) {
            std::ofstream(folder / "testquery.txt", std::ios::binary) << promptsText;
        }
        core->Load();
        core->Probe().InputStr2(fiber::EncodeIdentification("7310", "0730200300", "1", "1"));
        Feed(fiber::EncodeIdentification("7310", "0730200300", "00012345", "06152026"));
        EXPECT_TRUE(core->KD7300cls().ParseCoeff(sim::SimFiberUnit::CalibrationReply()));
        core->KD7300cls().Averaging(1);
    }
    void Feed(const std::string& reply) {
        S().ProbeData = reply;
        S().RefreshProbeFlag = 1;
        core->Process7300Format();
    }
};

// A started window with an identified fiber probe whose readings are fed by hand: c counts
// on each axis read c / 100 V/m.
struct LogRig : FiberRig {
    using FiberRig::FiberRig;
    void Reading(int16_t counts) {
        S().ProbeData = fiber::EncodeData({{counts, counts, counts}, {0, 0, 0}, false});
        core->Process7300Format();
    }
    LogModel& Log() { return core->Log().Log(); }
    bool On(Act a) { return view.Enabled(a); }
    void Exposure(const char* window) {
        S().MinAverText = window;
        core->Exposure().SetMinuteAverTime();
        core->OnAction(Act::mnuViewExposure);
    }
};

// The laser detector unit and a fiber probe answering through the fake line, each answer
// arriving in the 5 ms step after its command.
struct FiberLine {
    sim::SimFiberUnit unit;
    std::string pending;

    FiberLine(CoreRig& r, double field)
        : unit(
              [field](double) {
                  return std::array<double, 3>{field, field, field};
              },
              {}) {
        r.link.OnOutput = [this](const std::string& cmd) {
            pending += unit.Answer(cmd.substr(0, cmd.size() - 1), 0).value_or("");
        };
    }
    void Run(CoreRig& r, int ms) {
        for (int i = 0; i < ms / 5; ++i) {
            r.sched.Advance(5);
            if (!pending.empty()) {
                std::string reply;
                reply.swap(pending);
                r.link.Receive(reply);
            }
        }
    }
};

} // namespace vireon::test
