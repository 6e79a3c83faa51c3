#pragma once
// ClsBarGraph: four horizontal bars (total, X, Y, Z) on Picture3 with a grey peak-hold zone.
//
// How the window uses it: set OutputObj once, then DrawScale(bottom, units per division,
// divisions, type) whenever the graph scale changes or Picture3 is resized (GraphSetup's
// SetUpBarGraph does this from the scale table); per reading DrawBarXYZ/DrawBarX/DrawBarY/
// DrawBarZ; ClearPeak on a click on the bar graph. Positions are in twips.

#include "graph/DrawingSurface.h"

#include <array>
#include <cstdint>
#include <string>

namespace vireon {

class ClsBarGraph {
public:
    static constexpr int32_t kLightGrey = RGB(192, 192, 192);

    void OutputObj(DrawingSurface* surface) { surface_ = surface; }

    // Stores the scale and redraws the whole surface. A scale of fewer than one division has
    // no layout and is refused (the previous scale stays).
    void DrawScale(float bottom, float unitsPerDiv, int16_t noOfDiv, uint8_t type);
    void DrawScale2();

    void DrawBarXYZ(float reading) { DrawBar(0, reading); }
    void DrawBarX(float reading) { DrawBar(1, reading); }
    void DrawBarY(float reading) { DrawBar(2, reading); }
    void DrawBarZ(float reading) { DrawBar(3, reading); }
    void ClearPeak();

    float CalBarLenght(float v) const;
    // Label text of a scale value.
    static std::string LabelText(float v);

    void BarXYZColor(int32_t c) { bars_[0].colour = c; }
    void BarXColor(int32_t c) { bars_[1].colour = c; }
    void BarYColor(int32_t c) { bars_[2].colour = c; }
    void BarZColor(int32_t c) { bars_[3].colour = c; }
    // Colour of a bar (0 total, 1 X, 2 Y, 3 Z).
    int32_t BarColor(int bar) const { return bars_.at(static_cast<size_t>(bar)).colour; }

    float BottomOfScale() const { return bottomOfScale_; }
    float UnitsPerDiv() const { return unitsPerDiv_; }
    uint8_t GraphType() const { return graphType_; }
    int16_t NoOfDiv() const { return noOfDiv_; }
    float TopValue() const { return topValue_; }
    int16_t BarOrigin() const { return barOrigin_; }
    int16_t ScaleRight() const { return scaleRight_; }
    int16_t LongestBar() const { return longestBar_; }
    // Per bar (0 total, 1 X, 2 Y, 3 Z).
    float PeakValue(int bar) const { return bars_.at(bar).peakValue; }
    int16_t PeakPos(int bar) const { return bars_.at(bar).peakPos; }

private:
    struct Bar {
        int16_t yFrom;
        int16_t yTo;
        int32_t colour = RGB(0, 255, 255);
        float lastReading = 0.0F;
        float peakValue = 0.0F;
        int16_t peakPos = 310;
    };

    void DrawBar(int bar, float reading);
    int16_t BarLength(float reading) const;

    DrawingSurface* surface_ = nullptr;
    float bottomOfScale_ = 0.0F;
    float unitsPerDiv_ = 1.0F;
    uint8_t graphType_ = 0;
    int16_t noOfDiv_ = 5;
    float topValue_ = 5.0F;
    float logBottom_ = 0.0F;
    int16_t scaleLeft_ = 300;
    int16_t barOrigin_ = 310;
    int16_t scaleRight_ = 6200;
    int16_t longestBar_ = 5900;
    int16_t pixPerDiv_ = 1180;
    std::array<Bar, 4> bars_{Bar{400, 600}, Bar{675, 775}, Bar{850, 950}, Bar{1025, 1125}};
};

} // namespace vireon
