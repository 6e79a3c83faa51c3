#pragma once
// What the logging, playback and moving-average controllers work with: the window state and
// view, the probe objects, the graphs, their timers and the platform's clock, prompts and
// desktop.

#include "acquisition/Timing.h"
#include "acquisition/UserPrompts.h"
#include "display/core/Face.h"
#include "display/core/WindowState.h"
#include "display/core/WindowView.h"
#include "graph/ClsBarGraph.h"
#include "graph/GraphSetup.h"
#include "graph/clsGraph.h"
#include "probe/cls7300.h"
#include "probe/clsProbe.h"

#include <functional>
#include <string_view>

namespace vireon {

struct RecordingParts {
    WindowState& s;
    WindowView& v;
    Face& face;
    clsProbe& probe;
    Cls7300& kd;
    clsGraph& graph;
    ClsBarGraph& bar;
    GraphSetup& setup;
    Clock& clock;
    UserPrompts& prompts;
    NoticeBoard& notices;
    Desktop& desktop;
    Timer& minAve;       // HRTMinAve
    Timer& play;         // HRTPlay
    Timer& readProbe;    // HRTReadProbe
    Timer& readBattTemp; // HRTReadBattTemp
    // Whether an entry's feature is offered yet (entries that are not stay disabled).
    std::function<bool(Act)> offered;
};

// Shows the logging state on LabRecord and its lamp: "Log", "Pause", "Stop" or "Play".
void RecordIndicator(ControlsView& v, std::string_view word);

} // namespace vireon
