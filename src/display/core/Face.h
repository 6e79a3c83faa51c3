#pragma once
// The main window's face: the no-probe state of the readouts, the status text, the colour
// indicators and the layout of every control in twips as the window is resized or a view
// switch changes what is shown.

#include "display/core/WindowState.h"
#include "display/core/WindowView.h"
#include "graph/ClsBarGraph.h"
#include "graph/GraphSetup.h"
#include "graph/clsGraph.h"
#include "probe/clsProbe.h"

namespace vireon {

class Face {
public:
    Face(WindowState& s, WindowView& view, clsProbe& probe, clsGraph& graph, ClsBarGraph& bar,
         GraphSetup& setup)
        : s_(s), v_(view), probe_(probe), graph_(graph), bar_(bar), setup_(setup) {}

    void ClearDisplay();
    // First status bar panel; the housekeeping tick shows the model again 7.5 s later.
    void StatusText(const std::string& text);
    void ChanColorIndicator();
    void LayoutControls();
    void ResizeForm();
    void AdjustPicture3() { LayoutControls(); }
    void ToolBarSwitch();
    void StatusBarSwitch();

private:
    WindowState& s_;
    WindowView& v_;
    clsProbe& probe_;
    clsGraph& graph_;
    ClsBarGraph& bar_;
    GraphSetup& setup_;
};

} // namespace vireon
