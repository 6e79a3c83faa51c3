#pragma once
// The options dialog's decisions: what it shows when it opens, its lists and labels, the
// default colours, and Apply, which hands its working copies to the window in one go. The
// dialog itself only shows an OptionsForm and edits it.

#include "acquisition/UserPrompts.h"
#include "display/core/Face.h"
#include "display/core/RateControl.h"
#include "display/core/Readouts.h"
#include "display/core/WindowState.h"
#include "display/core/WindowView.h"
#include "graph/ClsBarGraph.h"
#include "graph/GraphSetup.h"
#include "graph/clsGraph.h"
#include "probe/cls7300.h"
#include "probe/clsProbe.h"

#include <functional>
#include <string>
#include <vector>

namespace vireon {

// The dialog's working copies, as its controls show them.
struct OptionsForm {
    std::string TextRate;    // TxtDisplayUpdate
    std::string Averaging;   // CmbAveraging
    std::string MinAverText; // ListMinAver
    bool MinAverEnabled = true;
    std::string Period; // CmbPeriod
    bool Periodic = false;
    bool HorizontalLines = true;
    bool MinorDivisions = false;
    bool MatchBars = false;
    int32_t X = 0, Y = 0, Z = 0, Total = 0;
    int32_t Back = 0, Grid = 0, MinGrid = 0;
    int32_t Text = 0, Box = 0, Window = 0;
    uint8_t ColorsChanged = 0;
    bool operator==(const OptionsForm&) const = default;
};

class Options {
public:
    Options(WindowState& s, WindowView& view, Face& face, RateControl& rates, Readouts& readouts,
            clsProbe& probe, Cls7300& kd, clsGraph& graph, ClsBarGraph& bar, GraphSetup& setup,
            Desktop& desktop, const Timer& minAve)
        : s_(s), v_(view), face_(face), rates_(rates), readouts_(readouts), probe_(probe), kd_(kd),
          graph_(graph), bar_(bar), setup_(setup), desktop_(desktop), minAve_(minAve) {}

    OptionsForm Load() const;

    static std::vector<std::string> AveragingList();
    static std::vector<std::string> MinAverList();
    // The periods offered for an averaging time: from its leading number + 1 to 180 minutes.
    static std::vector<std::string> PeriodList(const std::string& minAverText);
    // "6 Min.", "10 Sec.": the averaging time on the timeline drawing.
    static std::string MinAverLabel(const std::string& minAverText);
    static std::string PeriodLabel(const std::string& period) { return period + " Min."; }

    // Sets the colour copies to the defaults, and unmatches the bar colours at once.
    void DefaultColors(OptionsForm& f);
    void EditPrompts();
    // Applies every copy; boxes that held no usable value show the value kept.
    void Apply(OptionsForm& f);

    // The note prompts read again (Apply's first step), the averaging time set
    // (`SetMinuteAverTime`) and the prompts file opened in an editor, by the recording work.
    std::function<void()> ReloadNotes;
    std::function<void()> SetMinuteAverTime;
    std::function<void()> EditNotePrompts;

private:
    WindowState& s_;
    WindowView& v_;
    Face& face_;
    RateControl& rates_;
    Readouts& readouts_;
    clsProbe& probe_;
    Cls7300& kd_;
    clsGraph& graph_;
    ClsBarGraph& bar_;
    GraphSetup& setup_;
    Desktop& desktop_;
    const Timer& minAve_;
};

} // namespace vireon
