#pragma once
// The named vertical scales offered in CmbVerticalScale: how each sets up the time graph and
// the bar graph.

#include <cstdint>
#include <span>
#include <string_view>

namespace vireon {

struct GraphScaleRow {
    std::string_view name;
    // Time graph: linear rows set NoVerDiv, VerUnitsPerDiv and VerUnitsOffset (value at the
    // vertical centre); logarithmic rows set NoVerDiv (decades) and YAxisLogMax.
    bool logarithmic;
    uint8_t noVerDiv;
    float verUnitsPerDiv;
    float verUnitsOffset;
    float yAxisLogMax;
    // Bar graph (arguments of ClsBarGraph::DrawScale); false leaves the bar graph as it is.
    bool hasBar;
    uint8_t barType;
    int16_t barNoOfDiv;
    float barUnitsPerDiv;
    float barBottom;
};

// Every row, "Auto" first.
std::span<const GraphScaleRow> GraphScaleTable();

// The row of a scale name, or nullptr for a name in no row.
const GraphScaleRow* FindGraphScale(std::string_view name);

} // namespace vireon
