#pragma once
// clsGraph: the oscilloscope-like time graph on Picture1.
//
// How the window uses it: set OutputObj (and Host, for the busy cursor and progress bar of a
// full redraw) once; set the layout and scale properties (GraphSetup does this); call Graph to
// draw frame, grid and labels. Stored data (a loaded log) go in with WriteData and are drawn by
// DrawLines; live readings are drawn without storing them, per sample ScrollErase(position)
// followed by one Scroll per trace. Traces: 1 time (fraction of a day), 2 total, 3..5 X, Y, Z.
// Zoom (ZoomIn/ZoomOut), the alarm tick (DisplayMark) and the probe range bar
// (DisplayProbeRange/EraseProbeRange) live here too; GraphZoom drives the zoom from the mouse.
//
// Faulty arguments never throw: a trace outside 0..6 or a sample index outside 0..32000 is
// ignored (reads give 0), a division count of 0 is taken as 1, a zero vertical span puts every
// value on the bottom edge, and coordinates are computed in double precision and handed to the
// surface unclipped (the last points are kept as 16-bit values, saturated).

#include "graph/DrawingSurface.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vireon {

// The host window's busy cursor and progress bar, shown while DrawLines runs.
class GraphHost {
public:
    virtual ~GraphHost() = default;
    virtual void BusyCursor(bool on) = 0;
    // Shows the progress bar with minimum 0 and the given maximum.
    virtual void ProgressStart(int32_t maximum) = 0;
    virtual void ProgressValue(int32_t value) = 0;
    virtual void ProgressEnd() = 0;
};

class clsGraph {
public:
    static constexpr int16_t kMaxNoSamples = 32000;
    static constexpr int16_t kNoTraces = 6;

    clsGraph();

    // Surface and host (not owned).
    void OutputObj(DrawingSurface* surface) { surface_ = surface; }
    DrawingSurface* OutputObj() const { return surface_; }
    void Host(GraphHost* host) { host_ = host; }

    // Sample store.
    int16_t MaxNoSamples() const { return kMaxNoSamples; }
    int16_t GetNoSamArray() const { return kNoTraces; }
    void WriteData(int16_t index, int16_t trace, float value);
    float ReadData(int16_t index, int16_t trace) const;
    void EraseData();
    int16_t SampleCount() const { return sampleCount_; }
    int16_t TraceLastIndex(int16_t trace) const;
    int16_t DataCnt() const { return traceLastIndex_[2]; }
    void DataCnt(int16_t) {} // assigning does nothing
    uint8_t TimeTrace() const { return 1; }

    // Trace flags; bit numbers are 1-based (bit n has the value 2^(n-1)).
    void TraceSet(int16_t trace, int16_t bit);
    void TraceClear(int16_t trace, int16_t bit);
    int16_t TraceQuery(int16_t trace, int16_t bit) const;
    int16_t TraceFlags(int16_t trace) const;

    int32_t ChanLineColour(int16_t trace) const { return GetChanLineColour(trace); }
    int32_t GetChanLineColour(int16_t trace) const;
    void SetChanLineColour(int16_t trace, int32_t colour);
    uint8_t XAxisAssign(int16_t trace) const;
    void SetXAxisAssign(int16_t trace, uint8_t source);

    // Layout and scale properties; they take effect at the next Graph.
    int16_t Top() const { return top_; }
    void Top(int16_t v) { top_ = v; }
    int16_t Left() const { return left_; }
    void Left(int16_t v) { left_ = v; }
    int16_t Width() const; // PlotWidth of the last Graph
    void Width(int16_t v) { width_ = v; }
    int16_t Height() const { return plotHeight_; }
    void Height(int16_t v); // stored less the label row: v - 190 - height of "h"
    uint8_t NoVerDiv() const { return noVerDiv_; }
    void NoVerDiv(uint8_t v) { noVerDiv_ = v; }
    uint8_t NoHorDiv() const { return noHorDiv_; }
    void NoHorDiv(uint8_t v) { noHorDiv_ = v; }
    uint8_t No_VerMinDiv() const { return noVerMinDiv_; }
    void No_VerMinDiv(uint8_t v) { noVerMinDiv_ = v; }
    uint8_t No_HorMinDiv() const { return noHorMinDiv_; }
    void No_HorMinDiv(uint8_t v) { noHorMinDiv_ = v; }
    float VerUnitsPerDiv() const { return verUnitsPerDiv_; }
    void VerUnitsPerDiv(float v) { verUnitsPerDiv_ = v; }
    float VerUnitsOffset() const { return verUnitsOffset_; }
    void VerUnitsOffset(float v) { verUnitsOffset_ = v; }
    float YAxisLogMax() const { return yAxisLogMax_; }
    void YAxisLogMax(const std::string& text); // read with text-to-number conversion
    void YAxisLogMax(float v) { yAxisLogMax_ = v; }
    float HorUnitsPerDiv() const { return horUnitsPerDiv_; }
    void HorUnitsPerDiv(float v) { horUnitsPerDiv_ = v; }
    float HorUnitsOffset() const { return horUnitsOffset_; }
    void HorUnitsOffset(float v) { horUnitsOffset_ = v; }
    const std::string& VerUnitsDesc() const { return verUnitsDesc_; }
    void VerUnitsDesc(std::string v) { verUnitsDesc_ = std::move(v); }
    const std::string& HorUnitsDesc() const { return horUnitsDesc_; }
    void HorUnitsDesc(std::string v) { horUnitsDesc_ = std::move(v); }
    float SamPerDiv() const { return samPerDiv_; }
    void SamPerDiv(float v); // also ends a zoom (ZoomOff = 0)
    void ZoomOff(uint8_t v) { zoomOff_ = v; }
    uint8_t GraphType() const { return graphType_; }
    void GraphType(uint8_t v) { graphType_ = v; }
    uint8_t ConnectPts() const { return connectPts_; }
    void ConnectPts(uint8_t v) { connectPts_ = v; }
    uint8_t PixelSize() const { return pixelSize_; }
    void PixelSize(uint8_t v) { pixelSize_ = v; }
    void DisVerLines(uint8_t v) { disVerLines_ = v; }
    uint8_t DisHorLines() const { return disHorLines_; }
    void DisHorLines(uint8_t v) { disHorLines_ = v; }
    int32_t BackGround() const { return backGround_; }
    void BackGround(int32_t v) { backGround_ = v; }
    int32_t GridLineColor() const { return gridLineColor_; }
    void GridLineColor(int32_t v) { gridLineColor_ = v; }
    int32_t MinLineColor() const { return minLineColor_; }
    void MinLineColor(int32_t v) { minLineColor_ = v; }
    int16_t LogScaleMinOn() const { return logScaleMinOn_; }
    void LogScaleMinOn(int16_t v) { logScaleMinOn_ = v; }
    void HardCopy(int16_t v) { hardCopy_ = v; }
    void PlotValue(float v) { plotValue_ = v; }

    // Zoom, alarm marker and range overlay.
    uint8_t ZoomCnt() const { return zoomCnt_; }
    void ZoomCnt(uint8_t v) { zoomCnt_ = v; }
    void SetMark1(float v) { setMark1_ = v; }
    float Mark1() const { return setMark1_; }
    void OverRangeVal(float v) { overRangeVal_ = v; }
    void UnderRangeVal(float v) { underRangeVal_ = v; }
    void ZoomIn(float x1, float y1, float x2, float y2);
    void ZoomOut();
    void DisplayMark();
    void DisplayProbeRange();
    void EraseProbeRange();

    // Drawing.
    void GraphInitialize();
    void Graph(uint8_t noLabels);
    void Clear();
    void DrawLines();
    void PlotPoint(int32_t j, int16_t colourIndex, int16_t trace);
    void ScrollErase(int16_t position);
    void Scroll(int16_t position, float value, int16_t trace);

    // Label texts and positions.
    static std::string FormatValue(float v);
    std::string FormatHorStr(int16_t i) const;
    std::string FormatTimeStr(int16_t i) const;
    std::optional<double> CalHorizontalPos(double v) const;
    std::optional<double> CalHorLogPos(double v) const;
    std::optional<double> CalVerLogPos(double v) const;
    static std::optional<double> Log10(double v);
    float ReTraceCnt() const;
    void SetFirstSample(int32_t index);

    // Derived layout of the last Graph, for the window's mouse handling and for tests.
    double PlotLeft() const { return plotLeft_; }
    double PlotRight() const { return plotRight_; }
    double PlotBottom() const { return plotBottom_; }
    double PlotWidthExact() const { return plotWidth_; }
    double PixPerSample() const { return pixPerSample_; }
    double PixPerUnit() const { return pixPerUnit_; }
    double ScaleTop() const { return scaleTop_; }
    double ScaleBottom() const { return scaleBottom_; }
    int32_t SweepLength() const { return sweepLength_; }
    double SweepX() const { return sweepX_; }
    int32_t FirstSample() const { return firstSample_; }
    int32_t LastSample() const { return lastSample_; }
    int32_t WindowSpan() const { return windowSpan_; }
    std::pair<int16_t, int16_t> LastPoint(int16_t trace) const;
    // Where a value lies on the vertical axis of the last Graph (clamped to the scale).
    double YOfValue(double v) const { return ValueY(Clamp(v)); }

private:
    static bool ValidTrace(int16_t trace) { return trace >= 0 && trace <= kNoTraces; }
    static bool ValidIndex(int32_t index) { return index >= 0 && index <= kMaxNoSamples; }
    double VerDivs() const { return noVerDiv_ == 0 ? 1.0 : noVerDiv_; }
    double HorDivs() const { return noHorDiv_ == 0 ? 1.0 : noHorDiv_; }
    float& Cell(int32_t index, int16_t trace) { return data_[trace * kRows + index]; }
    float Cell(int32_t index, int16_t trace) const { return data_[trace * kRows + index]; }
    double Clamp(double v) const;
    double LinearY(double v) const;
    double LogY(double v) const;
    double ValueY(double v) const; // y of a clamped value in the current type
    void ResetLastPoints();
    void DrawVerLogGrid();

    static constexpr int32_t kRows = kMaxNoSamples + 1;

    DrawingSurface* surface_ = nullptr;
    GraphHost* host_ = nullptr;

    std::vector<float> data_;
    int16_t sampleCount_ = 0;
    std::array<int16_t, kNoTraces + 1> traceLastIndex_{};
    std::array<int16_t, kNoTraces + 1> traceFlags_{};
    std::array<int32_t, kNoTraces + 1> chanColour_{};
    std::array<uint8_t, kNoTraces + 1> xAxisAssign_{};
    std::array<int16_t, kNoTraces + 1> lastX_{};
    std::array<int16_t, kNoTraces + 1> lastY_{};

    int16_t top_ = 100;
    int16_t left_ = 100;
    int16_t width_ = 5000;
    int16_t plotHeight_ = 6000;
    uint8_t noVerDiv_ = 10;
    uint8_t noHorDiv_ = 10;
    uint8_t noVerMinDiv_ = 5;
    uint8_t noHorMinDiv_ = 5;
    float verUnitsPerDiv_ = 5.0F;
    float verUnitsOffset_ = 0.0F;
    float yAxisLogMax_ = 100.0F;
    float horUnitsPerDiv_ = 100.0F;
    float horUnitsOffset_ = 1000.0F;
    std::string verUnitsDesc_;
    std::string horUnitsDesc_;
    float samPerDiv_ = 100.0F;
    uint8_t zoomOff_ = 0;
    uint8_t graphType_ = 3;
    uint8_t connectPts_ = 1;
    uint8_t pixelSize_ = 1;
    uint8_t disVerLines_ = 1;
    uint8_t disHorLines_ = 1;
    int32_t backGround_ = 0;
    int32_t gridLineColor_ = RGB(128, 128, 128);
    int32_t minLineColor_ = RGB(47, 47, 47);
    int16_t logScaleMinOn_ = 1;
    int16_t hardCopy_ = 0;
    float plotValue_ = 0.0F;
    uint8_t zoomCnt_ = 0;
    float setMark1_ = 50.0F;
    float overRangeVal_ = 0.0F;
    float underRangeVal_ = 0.0F;

    // Derived by GraphInitialize and Graph.
    double plotLeft_ = 0;
    double plotWidth_ = 5000;
    double plotRight_ = 5000;
    double plotBottom_ = 6100;
    double pixPerVerDiv_ = 600;
    double scaleTop_ = 0;
    double scaleBottom_ = 0;
    double pixPerUnit_ = 0;
    double logScaleBottom_ = 0;
    double pixPerSample_ = 0;
    int32_t sweepLength_ = 0;
    int32_t firstSample_ = 1;
    int32_t lastSample_ = 0;
    int32_t windowSpan_ = 10;
    double sweepX_ = 0;
    uint8_t pointDrawn_ = 0;
};

} // namespace vireon
