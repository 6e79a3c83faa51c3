#pragma once
// Shared set-up for the graph tests: a recording surface and a graph with a known layout.

#include "graph/clsGraph.h"
#include "support/RecordingSurface.h"

#include <gtest/gtest.h>

namespace vireon::test {

using Kind = RecordingSurface::Kind;

// With 100-twip characters and 195-twip text the layout of a 0..100 linear graph is:
// labels "90".."10" are 200 wide, so PlotLeft = 100 + 350 + 30 = 480, PlotWidth =
// 10000 - 350 - 220 = 9430, PlotHeight = 6000, PlotBottom = 6100.
struct GraphFixture : ::testing::Test {
    RecordingSurface surface;
    clsGraph graph;

    void SetUp() override {
        graph.OutputObj(&surface);
        graph.Top(100);
        graph.Left(100);
        graph.Width(10000);
        graph.Height(6385); // 6385 - 190 - 195 = 6000
        graph.GraphType(0);
        graph.NoVerDiv(10);
        graph.VerUnitsPerDiv(10.0F);
        graph.VerUnitsOffset(50.0F);
        graph.NoHorDiv(10);
        graph.SamPerDiv(10.0F);
        graph.SetMark1(0.0F);
    }

    void Redraw(uint8_t noLabels = 1) {
        graph.Graph(noLabels);
        surface.Items.clear();
    }

    std::vector<RecordingSurface::Item> LinesOf(int32_t colour) const {
        auto out = surface.OfKind(Kind::Line);
        std::erase_if(out, [colour](const auto& i) { return i.colour != colour; });
        return out;
    }
};

} // namespace vireon::test
