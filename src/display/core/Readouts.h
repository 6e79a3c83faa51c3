#pragma once
// The readouts' controls: units, ranges and the range indicator, axes, peaks and zero, the
// readout colour, the window's set-up per probe family, and the readings of the four-range and
// E/H probes.

#include "acquisition/Timing.h"
#include "acquisition/UserPrompts.h"
#include "display/core/BatteryTemp.h"
#include "display/core/Face.h"
#include "display/core/WindowState.h"
#include "display/core/WindowView.h"
#include "graph/ClsBarGraph.h"
#include "graph/GraphSetup.h"
#include "graph/clsGraph.h"
#include "probe/cls7300.h"
#include "probe/clsProbe.h"

#include <array>
#include <functional>
#include <string>

namespace vireon {

class Readouts {
public:
    // `minAve` and `play` are the moving-average and playback timers: while either runs the
    // units stay, as while logging.
    Readouts(WindowState& s, WindowView& view, Face& face, BatteryTemp& battery,
             NoticeBoard& notices, clsProbe& probe, Cls7300& kd, clsGraph& graph, ClsBarGraph& bar,
             GraphSetup& setup, const Timer& minAve, const Timer& play)
        : s_(s), v_(view), face_(face), battery_(battery), notices_(notices), probe_(probe),
          kd_(kd), graph_(graph), bar_(bar), setup_(setup), minAve_(minAve), play_(play) {}

    static constexpr const char* kNotDuringLogging = "Not allowed during logging.";

    // Units.
    void LabUnitsClick();
    void ChangeUnits(const std::string& units);
    void Units52xx(int index);
    void ChangeTextColor(int32_t color);
    // The units text as the label shows it.
    static std::string UnitsCaption(const std::string& units);
    // A held maximum (or any reading in a table of them) as the peak labels show it: six
    // decimals cut to eight characters in mW/cm2, else the probe object's readout format.
    static std::string PeakText(double value, bool milliwattsPerCm2);
    // A limit given in V/m, in the unit the readouts show.
    float InUnitsShown(float vpm) const;

    // Ranges.
    void LabRangeClick();
    void LabRangeTextClick();
    void LabAxisRangeClick(int index);
    void RangeMenu(int index);
    void UpdateRangeIndicator();

    // Axes.
    void LabAxisClick(int axis);
    void UpDateAxis();
    void SetXYZLabVisible();
    std::string AllAxisDisplayed();
    void Menu3AxisData();

    // The window set up for the probe that has identified itself (fiber or another family).
    void ChangeDisplay(const std::function<void()>& setUp7300);

    // Peaks: the menu entry and the peak label (`playbackToo`), or the bar graph.
    void ClearPeaks(bool playbackToo);
    void Zero();

    // A decoded reply of a four-range or E/H probe: what its flags say changed.
    void ProcessProbeFlags(int16_t flags);

    // Runs after each reading of the other families has reached the readouts and graphs.
    std::function<void()> OnReading;
    // Clears the playback peaks (the recording work owns them).
    std::function<void()> ClearPlaybackPeaks;

private:
    bool Logging() const;
    void ShowPeakTexts();
    void RangeGraphValues();
    void ScaleAfterChange();

    WindowState& s_;
    WindowView& v_;
    Face& face_;
    BatteryTemp& battery_;
    NoticeBoard& notices_;
    clsProbe& probe_;
    Cls7300& kd_;
    clsGraph& graph_;
    ClsBarGraph& bar_;
    GraphSetup& setup_;
    const Timer& minAve_;
    const Timer& play_;
    std::array<int, 4> lit_{}; // last lit LabAxisRange index per axis 1..3
};

} // namespace vireon
