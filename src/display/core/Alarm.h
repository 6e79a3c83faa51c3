#pragma once
// The alarm: a level in the display unit, marked on the time graph, and a beep on each
// housekeeping tick while the total field is above it.

#include "acquisition/UserPrompts.h"
#include "display/core/WindowState.h"
#include "display/core/WindowView.h"
#include "graph/GraphSetup.h"
#include "graph/clsGraph.h"
#include "probe/cls7300.h"
#include "probe/clsProbe.h"

namespace vireon {

class Alarm {
public:
    Alarm(WindowState& s, ActionsView& view, UserPrompts& prompts, Desktop& desktop,
          clsGraph& graph, GraphSetup& setup, clsProbe& probe, Cls7300& kd)
        : s_(s), v_(view), prompts_(prompts), desktop_(desktop), graph_(graph), setup_(setup),
          probe_(probe), kd_(kd) {}

    static constexpr const char* kCaption = "Set Alarm Value ...       Value = ";

    // The configured level and switch, at start-up.
    void Apply(int16_t enable, float value);
    void ToggleEnable();
    void AskLevel();
    // The housekeeping tick's alarm test.
    void Check();

private:
    WindowState& s_;
    ActionsView& v_;
    UserPrompts& prompts_;
    Desktop& desktop_;
    clsGraph& graph_;
    GraphSetup& setup_;
    clsProbe& probe_;
    Cls7300& kd_;
};

} // namespace vireon
