#pragma once
// Configuration to window state and objects, and back: start-up applies the file through it,
// the exit collects the live values through it, and the options dialog will apply its changes
// the same way.

#include "display/core/WindowState.h"
#include "display/core/WindowView.h"
#include "files/ConfigFile.h"
#include "graph/ClsBarGraph.h"
#include "graph/clsGraph.h"
#include "probe/cls7300.h"
#include "probe/clsProbe.h"

namespace vireon {

class SettingsApplier {
public:
    SettingsApplier(WindowState& s, WindowView& view, clsProbe& probe, Cls7300& kd, clsGraph& graph,
                    ClsBarGraph& bar)
        : s_(s), v_(view), probe_(probe), kd_(kd), graph_(graph), bar_(bar) {}

    // Window variables, view switches and the menus that show them.
    void ToWindow(const CfgSettings& c);
    // The probe and calibration objects.
    void ToObjects(const CfgSettings& c);
    // Graph engine and bar graph colours and the colour swatches.
    void ToGraphs(const CfgSettings& c);
    // What is in force now, for the configuration file.
    CfgSettings Collect() const;

    // A folder as the configuration file keeps it (Windows-1252 where it can be, else the
    // path's own UTF-8 bytes) and back.
    static std::string PathText(const std::filesystem::path& p);
    static std::filesystem::path PathOf(const std::string& text);

private:
    WindowState& s_;
    WindowView& v_;
    clsProbe& probe_;
    Cls7300& kd_;
    clsGraph& graph_;
    ClsBarGraph& bar_;
};

} // namespace vireon
