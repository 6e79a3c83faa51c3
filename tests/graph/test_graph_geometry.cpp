// Geometry of the time graph: layout, grid, labels, clamping, sweep and stored-data drawing.

#include "common/numfmt.h"
#include "graph_test_util.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace vireon::test {
namespace {

constexpr int32_t kGrid = RGB(128, 128, 128);
const int32_t kTraceX = clsGraph().GetChanLineColour(3);
const int32_t kTraceTotal = clsGraph().GetChanLineColour(2);

// Sweeps the values in from position 1 on trace X and returns the segments drawn.
std::vector<RecordingSurface::Item> Sweep(GraphFixture& f, std::vector<float> values) {
    f.Redraw();
    for (int16_t p = 1; p <= static_cast<int16_t>(values.size()); ++p) {
        f.graph.ScrollErase(p);
        f.graph.Scroll(p, values[static_cast<size_t>(p - 1)], 3);
    }
    return f.LinesOf(kTraceX);
}

TEST_F(GraphFixture, LinearLayoutLabelsAndGrid) {
    graph.DisVerLines(1);
    graph.DisHorLines(1);
    graph.VerUnitsDesc("V");
    graph.Graph(1);

    EXPECT_DOUBLE_EQ(graph.PlotLeft(), 480.0);
    EXPECT_DOUBLE_EQ(graph.PlotRight(), 9910.0);
    EXPECT_DOUBLE_EQ(graph.PlotBottom(), 6100.0);

    // Vertical labels 90..10 from the top, centred on their grid line at x = Left.
    // Graph(1): no horizontal labels, and VerUnitsDesc is cleared.
    const auto labels = surface.Texts();
    ASSERT_EQ(labels.size(), 9U);
    for (size_t i = 0; i < labels.size(); ++i) {
        EXPECT_EQ(labels[i].text, std::to_string(90 - 10 * i));
        EXPECT_DOUBLE_EQ(labels[i].x1, 100.0);
        EXPECT_DOUBLE_EQ(labels[i].y1, (i + 1) * 600.0 + 100.0 - 97.5);
    }

    const auto boxes = surface.OfKind(Kind::Box);
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ((std::vector{boxes[0].x1, boxes[0].y1, boxes[0].x2, boxes[0].y2}),
              (std::vector{450.0, 70.0, 9940.0, 6130.0}));

    // 9 vertical and 9 horizontal grid lines, 49 minor ticks across each centre line.
    std::map<std::pair<double, double>, int> spans; // (y1, y2) of vertical lines, else (x1, x2)
    for (const auto& l : LinesOf(kGrid)) {
        ++spans[l.x1 == l.x2 ? std::pair{l.y1, l.y2} : std::pair{l.x1, l.x2}];
    }
    const double tickX = Near(4715.0 + 480.0 - 60.0);
    EXPECT_EQ(spans, (std::map<std::pair<double, double>, int>{{{100.0, 6100.0}, 9},
                                                               {{480.0, 9910.0}, 9},
                                                               {{3040.0, 3160.0}, 49},
                                                               {{tickX, tickX + 120.0}, 49}}));
}

// Time labels round to the second; a division without a time, or before midnight, prints
// nothing.
TEST_F(GraphFixture, HorizontalTimeLabelsRoundAndSkipEmptyTexts) {
    graph.HorUnitsDesc("Time");
    graph.DisVerLines(2);
    graph.DisHorLines(0);
    // Window 1..101: division i reads index int(10.1 i) + 1.
    const std::pair<int16_t, double> times[] = {{11, 3909},  {21, 0},    {31, 86399},
                                                {41, 36000}, {51, 59.6}, {61, -30}};
    for (const auto& [index, seconds] : times) {
        graph.WriteData(index, 1, static_cast<float>(seconds / 86400.0));
    }
    graph.Graph(0);
    std::vector<std::string> below; // the frame: the time labels, then the title
    for (const auto& t : surface.Texts()) {
        if (t.y1 == 6200.0) {
            below.push_back(t.text);
        }
    }
    EXPECT_EQ(below,
              (std::vector<std::string>{"1:05:09", "23:59:59", "10:00:00", "0:01:00", "Time"}));
    const auto texts = surface.Texts();
    const auto it =
        std::find_if(texts.begin(), texts.end(), [](const auto& t) { return t.text == "1:05:09"; });
    ASSERT_NE(it, texts.end());
    EXPECT_DOUBLE_EQ(it->x1, Near(943.0) + 480.0 - 350.0);
    EXPECT_DOUBLE_EQ(texts.back().x1, 480.0 - 200.0); // the title under the left edge
    // DisVerLines 2: short ticks below the frame only.
    const auto ticks = LinesOf(kGrid);
    ASSERT_EQ(ticks.size(), 9U);
    EXPECT_DOUBLE_EQ(ticks[0].y1, 6130.0);
    EXPECT_DOUBLE_EQ(ticks[0].y2, 6200.0);
}

TEST_F(GraphFixture, LogarithmicLayoutAndPositions) {
    graph.GraphType(3);
    graph.NoVerDiv(4);
    graph.YAxisLogMax(std::string("1000"));
    graph.DisVerLines(1);
    graph.HorUnitsOffset(1.0F);
    graph.NoHorDiv(2);
    graph.Graph(1);

    const auto texts = surface.Texts();
    ASSERT_EQ(texts.size(), 3U);
    EXPECT_EQ(texts[0].text + texts[1].text + texts[2].text, "100101.0");
    EXPECT_DOUBLE_EQ(graph.PlotLeft(), 580.0); // widest label "100": 100 + 450 + 30
    EXPECT_NEAR(*graph.CalVerLogPos(10.0), 6100.0 - 3000.0, 1e-9);
    EXPECT_NEAR(*graph.CalVerLogPos(1000.0), 100.0, 1e-9);
    EXPECT_FALSE(graph.CalVerLogPos(0.0).has_value());

    // The decade grid: lines at log positions of 1..9, 10..90 until the right edge.
    std::vector<double> xs;
    for (const auto& l : LinesOf(kGrid)) {
        if (l.y1 == 100.0 && l.y2 == 6100.0) {
            xs.push_back(l.x1);
        }
    }
    // One major line (NoHorDiv 2) plus the decade lines.
    ASSERT_GE(xs.size(), 19U);
    EXPECT_DOUBLE_EQ(xs[1], graph.PlotLeft());
    EXPECT_NEAR(xs[2], graph.PlotLeft() + std::log10(2.0) * graph.PlotWidthExact() / 2, 1e-6);
    for (double x : xs) {
        EXPECT_LT(x, graph.PlotRight());
    }
    surface.Items.clear(); // without a positive offset there are no decade lines
    graph.HorUnitsOffset(0.0F);
    graph.Graph(1);
    for (const auto& l : LinesOf(kGrid)) {
        EXPECT_FALSE(l.y1 == 100.0 && l.y2 == 6100.0 && l.x1 < 600.0) << l.x1;
    }

    // A value is placed by its logarithm; clamping keeps the logarithm defined.
    const auto lines = Sweep(*this, {10.0F, 0.0F, 1e9F});
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_NEAR(lines[0].y1, 3100.0, 1e-6);
    EXPECT_NEAR(lines[0].y2, 6100.0, 1e-6);
    EXPECT_NEAR(lines[1].y2, 100.0, 1e-6);
}

// Live values are clamped to the frame; mid-sweep right after Graph the first point has no line
// to join.
TEST_F(GraphFixture, LiveValuesAreClampedToTheFrame) {
    const auto lines = Sweep(*this, {50.0F, 250.0F, -40.0F, 100.0F, 0.0F});
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_DOUBLE_EQ(lines[0].y1, 3100.0);
    EXPECT_DOUBLE_EQ(lines[0].y2, 100.0);  // above ScaleTop: top edge
    EXPECT_DOUBLE_EQ(lines[1].y2, 6100.0); // below ScaleBottom: bottom edge
    EXPECT_DOUBLE_EQ(lines[2].y2, 100.0);
    EXPECT_DOUBLE_EQ(lines[3].y2, 6100.0);
    // Sweep positions: (p - 1) / (SweepLength - 1) of the width.
    EXPECT_DOUBLE_EQ(lines[0].x2, 480.0 + 9430.0 / 99.0);
    Redraw();
    graph.ScrollErase(7);
    graph.Scroll(7, 10.0F, 3);
    EXPECT_TRUE(LinesOf(kTraceX).empty());
    graph.ScrollErase(8);
    graph.Scroll(8, 20.0F, 3);
    EXPECT_EQ(LinesOf(kTraceX).size(), 1U);
}

TEST_F(GraphFixture, ScrollEraseStrip) {
    graph.DisHorLines(1);
    Redraw();
    graph.ScrollErase(50);
    const auto fills = surface.OfKind(Kind::FillBox);
    ASSERT_EQ(fills.size(), 1U);
    const double x = 49.0 / 99.0 * 9430.0 + 480.0;
    EXPECT_DOUBLE_EQ(fills[0].x1, x);
    EXPECT_DOUBLE_EQ(fills[0].x2, x + graph.PixPerSample());
    EXPECT_EQ(LinesOf(kGrid).size(), 9U); // grid redrawn across the strip

    // The last position's strip would reach PlotRight: nothing is erased.
    surface.Items.clear();
    graph.ScrollErase(100);
    EXPECT_TRUE(surface.Items.empty());
}

TEST_F(GraphFixture, DrawLinesStopsAtSampleCountAndReportsProgress) {
    struct Host : GraphHost {
        std::vector<std::string> calls;
        std::vector<int32_t> values;
        void BusyCursor(bool on) override { calls.push_back(on ? "busy" : "normal"); }
        void ProgressStart(int32_t m) override { calls.push_back("start " + std::to_string(m)); }
        void ProgressValue(int32_t v) override { values.push_back(v); }
        void ProgressEnd() override { calls.push_back("end"); }
    } host;
    graph.Host(&host);
    graph.TraceSet(2, 1);
    for (int16_t i = 1; i <= 25; ++i) {
        graph.WriteData(i, 2, static_cast<float>(i));
    }
    Redraw();
    graph.DrawLines();
    EXPECT_EQ(surface.OfKind(Kind::Point).size(), 25U);
    const auto lines = LinesOf(kTraceTotal);
    ASSERT_EQ(lines.size(), 24U); // the first point has no line
    // Sample j of the window sits j sample widths right of PlotLeft.
    const auto points = surface.OfKind(Kind::Point);
    EXPECT_DOUBLE_EQ(points[0].x1, 480.0);
    EXPECT_DOUBLE_EQ(points[24].x1, std::floor(24 * 94.3) + 480.0);
    EXPECT_DOUBLE_EQ(points[24].y1, 6100.0 - std::floor(25.0 * 60.0));
    EXPECT_EQ(host.calls, (std::vector<std::string>{"busy", "start 101", "normal", "end"}));
    ASSERT_FALSE(host.values.empty()); // rising, and never beyond the maximum
    EXPECT_EQ(std::adjacent_find(host.values.begin(), host.values.end(), std::greater_equal<>()),
              host.values.end());
    EXPECT_LE(host.values.back(), 101);

    // Neither a live point after DrawLines nor a second DrawLines joins the old last point.
    surface.Items.clear();
    graph.ScrollErase(5);
    graph.Scroll(5, 10.0F, 2);
    EXPECT_TRUE(LinesOf(kTraceTotal).empty());
    surface.Items.clear();
    graph.DrawLines();
    EXPECT_EQ(LinesOf(kTraceTotal).size(), 24U);
}

TEST_F(GraphFixture, FaultyArgumentsAreHarmless) {
    graph.WriteData(32001, 2, 1.0F);
    graph.WriteData(5, 7, 1.0F);
    graph.WriteData(-1, 2, 1.0F);
    EXPECT_EQ(graph.SampleCount(), 0);
    EXPECT_EQ(graph.ReadData(-5, 2), 0.0F);
    graph.SetChanLineColour(-3, 5);
    EXPECT_EQ(graph.GetChanLineColour(-3), 0);

    // Degenerate scales and layouts draw finite coordinates and never crash.
    const struct {
        uint8_t type, verDiv, horDiv;
        float perDiv, samPerDiv;
        int16_t width;
    } cases[] = {
        {0, 0, 0, 10, 10, 10000},  {3, 0, 10, 5, 1, 10000},
        {0, 10, 10, 0, 0, 10000},  {3, 10, 0, 5, -4, 100},
        {1, 10, 10, 5, 10, 32767}, {2, 5, 5, 5, 1e30F, -32768},
        {4, 10, 10, 5, 10, 5000},  {0, 255, 255, 1e-30F, 0.1F, 32767},
    };
    for (const auto& c : cases) {
        surface.Items.clear();
        graph.GraphType(c.type);
        graph.NoVerDiv(c.verDiv);
        graph.NoHorDiv(c.horDiv);
        graph.VerUnitsPerDiv(c.perDiv);
        graph.SamPerDiv(c.samPerDiv);
        graph.Width(c.width);
        graph.Left(32767);
        graph.DisVerLines(1);
        graph.TraceSet(2, 1);
        graph.WriteData(3, 2, 5.0F);
        graph.Graph(0);
        graph.DrawLines();
        for (int16_t p = 1; p <= 3; ++p) {
            graph.ScrollErase(p);
            graph.Scroll(p, std::nanf(""), 3);
            graph.Scroll(p, 1e38F, 4);
            graph.Scroll(p, -1e38F, 4);
        }
        graph.SetMark1(50.0F);
        graph.OverRangeVal(80.0F);
        graph.UnderRangeVal(-1.0F);
        graph.DisplayMark();
        graph.DisplayProbeRange();
        EXPECT_TRUE(std::ranges::all_of(
            surface.Items,
            [](const auto& i) {
                return std::isfinite(i.x1 + i.y1 + i.x2 + i.y2); // a NaN or infinity stays so
            }))
            << int{c.type} << " " << int{c.verDiv};
    }
    // A sweep of a single position stays at the left edge.
    graph.SamPerDiv(0.1F);
    graph.Graph(1);
    graph.ScrollErase(1);
    EXPECT_DOUBLE_EQ(graph.SweepX(), graph.PlotLeft());
}

} // namespace
} // namespace vireon::test
