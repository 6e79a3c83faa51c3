#pragma once
// GraphSetup: the main window's glue between the probe and the two graphs.
//
// How the window uses it: it keeps a GraphState, implements GraphView (its combo box, menu
// check marks, pictures, message box) and GraphProbe (an adapter over the probe object), and
// calls the procedures below from its events: SetUpGraphCls once at start-up after the
// surfaces are set, LimitGraphSetting on start-up and units changes, the click handlers from
// CmbVerticalScale, cmbSamPerDiv, the view and probe menus and the toolbar, PlotGraph7300format
// and BarGraph7300 per reading.

#include "graph/ClsBarGraph.h"
#include "graph/GraphScales.h"
#include "graph/clsGraph.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vireon {

// The window-level graph state.
struct GraphState {
    std::string GraphScale = "Auto"; // current scale name
    std::string AppliedScale;        // the last scale applied to the time graph
    int16_t AutoScale = 0;           // -1 while "Auto" is picked
    int16_t SamPerDiv = 100;         // as picked in cmbSamPerDiv
    int16_t SamPerSweep = 1000;      // the engine's ReTraceCnt
    int16_t SweepPos = 0;            // 1..SamPerSweep
    bool LiveDisplay = true;         // mnuViewScatterLive checked
    uint8_t PlotComp = 0;            // 1: the total is swept as trace 2
    bool BarGraphVisible = true;     // mnuViewBarGraph checked
    bool ScatterGraphVisible = true; // mnuViewScatterGraph checked
    bool StaticView = false;         // the toolbar's "ZoomOut" switched to the stored samples
    bool LayoutReady = false;        // the window's first layout has been made
};

// What the graphs need from the probe object.
class GraphProbe {
public:
    virtual ~GraphProbe() = default;
    virtual int16_t TypeNumb() const = 0;
    virtual int16_t GetMaxRange() const = 0;
    virtual std::string GetGraphScales(int16_t index, int16_t logFlag) const = 0;
    virtual std::string GetGraphSelection() const = 0;
    virtual void SetGraphType(const std::string& name) = 0;
    virtual int16_t AutoRangeOn() const = 0;
    virtual int16_t MultiplexOn() const = 0;
    virtual float GetOverRangeVal() const = 0;
    virtual float GetUnderRangeVal() const = 0;
};

// The fixed configuration of the window's time graph on a picture of the given size (twips):
// lines joined, tick marks below the frame, the horizontal grid when asked, traces 2..5 shown,
// no minor divisions, a time axis.
void SetUpTimeGraph(clsGraph& graph, double width, double height, bool horizontalLines,
                    float samPerDiv);
// A scale row applied to the time graph (its type, divisions and range) and to the bar graph
// (rows without a bar scale leave it as it is).
void ApplyGraphScale(clsGraph& graph, const GraphScaleRow& row);
void ApplyBarScale(ClsBarGraph& bar, const GraphScaleRow& row);

enum class GraphMenu { ViewBarGraph, ViewScatterGraph, ViewScatterLive, ProbePlotComposite };

// The window's controls as the graph set-up sees them.
class GraphView {
public:
    virtual ~GraphView() = default;
    // CmbVerticalScale.
    virtual std::string VerticalScaleText() const = 0;
    virtual void VerticalScaleClear() = 0;
    virtual void VerticalScaleAdd(const std::string& name) = 0;
    // Selects an entry of the list; false when the text is not in it.
    virtual bool VerticalScaleSelect(const std::string& name) = 0;
    virtual void MenuChecked(GraphMenu menu, bool checked) = 0;
    virtual void ProbePlayEnabled(bool enabled) = 0;
    virtual void ZoomInButtonEnabled(bool enabled) = 0;
    virtual void Picture1Visible(bool visible) = 0;
    virtual void Picture3Visible(bool visible) = 0;
    virtual void AdjustPicture3() = 0;
    // Modal message box with an OK button only.
    virtual void MessageBox(const std::string& text) = 0;
    // Copies the recorded samples not yet in the graph's store (up to 32000) into it.
    virtual void CopyRecordedSamples(clsGraph& graph) = 0;
};

class GraphSetup {
public:
    GraphSetup(GraphState& state, clsGraph& graph, ClsBarGraph& bar, GraphView& view,
               GraphProbe& probe)
        : st_(state), graph_(graph), bar_(bar), view_(view), probe_(probe) {}

    // Picture1's size in twips; horizontalLines is the options dialog's grid-line switch.
    void SetUpGraphCls(double picture1Width, double picture1Height, bool horizontalLines);
    void LimitGraphSetting();
    void CmbVerticalScaleClick();
    // 1 when a new scale was applied.
    std::optional<int16_t> SetUpGraphScale();
    void SetUpBarGraph();
    void CmbSamPerDivClick(const std::string& text);
    void DrawGraph();
    void PlotGraph7300format(float xAxis, float yAxis, float zAxis, float xyz);
    void BarGraph7300(float xyzNA, float xNA, float yNA, float zNA);
    void SetPlotComp(uint8_t flag);

    void MnuViewBarGraphClick();
    void MnuViewScatterGraphClick();
    void MnuViewScatterLiveClick();
    void MnuProbePlotCompositeClick();
    void ToolbarScatter() { MnuViewScatterLiveClick(); }
    void ToolbarBarGraph() { MnuViewBarGraphClick(); }
    // The toolbar's "ZoomOut": static view of every stored sample.
    void ToolbarZoomOut(const std::string& unitsText);

    static constexpr const char* kScaleNotFound = "Graph scale not found: ";

private:
    GraphState& st_;
    clsGraph& graph_;
    ClsBarGraph& bar_;
    GraphView& view_;
    GraphProbe& probe_;
};

} // namespace vireon
