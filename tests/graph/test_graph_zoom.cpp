// Zoom of the stored samples, the alarm marker and the probe range bar.

#include "graph/GraphZoom.h"
#include "graph_test_util.h"

#include <optional>
#include <string>
#include <vector>

namespace vireon::test {
namespace {

constexpr int32_t kYellow = RGB(255, 255, 0);
constexpr int32_t kWhite = RGB(255, 255, 255);
constexpr int32_t kRed = RGB(255, 0, 0);

struct GraphZoomTest : GraphFixture {
    void SetUp() override {
        GraphFixture::SetUp();
        graph.TraceSet(2, 1);
        for (int16_t i = 1; i <= 1000; ++i) {
            graph.WriteData(i, 2, 50.0F);
        }
        graph.ZoomOut();
        Redraw(0);
    }
    // Surface x at a fraction of the plot's width.
    float At(double f) const {
        return static_cast<float>(graph.PlotLeft() + f * graph.PlotWidthExact());
    }
};

// A band across the plot narrows the window to it (released left of its start: ten samples from
// the start); a drag that starts or ends outside the plot changes nothing.
TEST_F(GraphZoomTest, BandsNarrowTheWindowAndDragsOutsideThePlotChangeNothing) {
    const struct {
        float x1, y1, x2, y2;
        uint8_t zoomCntAfter;
        int32_t first, span;
        size_t points; // drawn; none: nothing drawn at all
    } cases[] = {
        {At(0.25), 1000, At(0.75), 5000, 0, 250, 500, 501}, // 1 + int(999 x 0.25) .. 0.75
        {At(0.75), 1000, At(0.25), 5000, 0, 750, 10, 11},
        {At(0.2), 1000, At(1.0) + 100, 5000, 0, 1, 999, 0}, // released right: disarmed
        {At(0.2), 50, At(0.6), 5000, 2, 1, 999, 0},         // started above: still dragging
        {At(0.2), 1000, At(0.6), 6200, 2, 1, 999, 0},       // released below the plot
        {At(0.0), 1000, At(0.6), 5000, 2, 1, 999, 0},       // started on the left edge
    };
    for (const auto& c : cases) {
        graph.ZoomOut();
        Redraw(0);
        graph.ZoomCnt(2);
        graph.ZoomIn(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(graph.ZoomCnt(), c.zoomCntAfter);
        EXPECT_EQ(graph.FirstSample(), c.first);
        EXPECT_EQ(graph.WindowSpan(), c.span);
        EXPECT_EQ(surface.OfKind(Kind::Point).size(), c.points);
        EXPECT_EQ(surface.Items.empty(), c.points == 0);
    }
}

struct FakeZoomView : ZoomView {
    std::optional<ZoomBand> band;
    std::vector<std::string> status;
    void ShowZoomBand(const ZoomBand& b) override { band = b; }
    void HideZoomBand() override { band.reset(); }
    void StatusText(const std::string& t) override { status.push_back(t); }
};

TEST_F(GraphZoomTest, MouseRulesOfTheRubberBand) {
    FakeZoomView view;
    GraphZoom zoom(graph, view);
    zoom.ZoomInButton(true); // live display: the button does nothing
    EXPECT_EQ(graph.ZoomCnt(), 0);
    EXPECT_TRUE(view.status.empty());

    zoom.ZoomInButton(false);
    EXPECT_EQ(graph.ZoomCnt(), 1);
    ASSERT_EQ(view.status.size(), 1U);
    EXPECT_EQ(view.status[0], GraphZoom::kHint);

    zoom.MouseDown(2, At(0.2), 1000); // right button: no band
    EXPECT_FALSE(view.band);
    zoom.MouseDown(1, At(0.2), 1000);
    ASSERT_TRUE(view.band);
    EXPECT_DOUBLE_EQ(view.band->Width, 50.0);
    EXPECT_EQ(graph.ZoomCnt(), 2);

    zoom.MouseMove(1, At(0.1), 900);  // up and left of the start: unchanged
    zoom.MouseMove(0, At(0.6), 3000); // no button held
    EXPECT_DOUBLE_EQ(view.band->Width, 50.0);
    zoom.MouseMove(1, At(0.2) + 500, 3000);
    EXPECT_DOUBLE_EQ(view.band->Width, 500.0);
    EXPECT_DOUBLE_EQ(view.band->Height, 2000.0);

    zoom.MouseUp(1, At(0.6), 3000);
    EXPECT_FALSE(view.band);
    EXPECT_EQ(graph.ZoomCnt(), 0);
    EXPECT_EQ(graph.FirstSample(), 1 + 199);

    // A start above the plot leaves the drag armed without a band; the next press stores a
    // new start, still without a band, and its release zooms.
    zoom.ZoomInButton(false);
    zoom.MouseDown(1, At(0.2), 40);
    zoom.MouseUp(1, At(0.6), 3000);
    EXPECT_EQ(graph.ZoomCnt(), 2);
    zoom.MouseDown(1, At(0.5), 1000);
    EXPECT_FALSE(view.band);
    zoom.MouseUp(1, At(0.9), 3000);
    EXPECT_EQ(graph.ZoomCnt(), 0);
}

// XY: Zoom Out fits the horizontal scale from the smallest nonzero value to the largest, and
// each value is drawn at its own horizontal value (a value paired with zero is not drawn).
TEST_F(GraphFixture, ZoomOutFitsTheXYScaleAndPairsEachValueWithItsHorizontalValue) {
    graph.GraphType(1);
    graph.TraceSet(2, 1);
    graph.HorUnitsPerDiv(1.0F);
    graph.HorUnitsOffset(0.0F);
    std::vector<double> xs;
    for (int16_t i = 1; i <= 10; ++i) {
        const float h = i == 4 ? 0.0F : 3.0F + 4.4F * (i - 1); // 3 .. 42.6
        graph.WriteData(i, 1, h);
        graph.WriteData(i, 2, 1.0F);
        xs.push_back(h);
    }
    graph.ZoomOut();
    EXPECT_FLOAT_EQ(graph.HorUnitsPerDiv(), 4.0F); // 10 x 4 >= 39.6
    EXPECT_FLOAT_EQ(graph.HorUnitsOffset(), 3.0F);
    Redraw();
    graph.DrawLines();
    std::vector<double> drawn;
    for (const auto& p : surface.OfKind(Kind::Point)) {
        drawn.push_back(p.x1);
    }
    std::vector<double> want; // a zero horizontal value has no place
    for (double x : xs) {
        if (const auto at = graph.CalHorizontalPos(x)) {
            want.push_back(*at);
        }
    }
    EXPECT_EQ(drawn, want);
}

TEST_F(GraphFixture, AlarmMarker) {
    const struct {
        uint8_t type;
        float level;
        std::optional<double> y;
    } cases[] = {
        {0, 50.0F, 3100.0},        {0, 100.0F, 100.0},        {0, 0.0F, std::nullopt},
        {0, 150.0F, std::nullopt}, {0, -10.0F, std::nullopt}, {3, 10.0F, 3100.0},
        {3, -5.0F, 4600.0}, // no logarithm: counts as 0
    };
    for (const auto& c : cases) {
        graph.GraphType(c.type);
        graph.NoVerDiv(c.type == 3 ? 4 : 10);
        graph.YAxisLogMax(1000.0F);
        Redraw();
        graph.SetMark1(c.level);
        graph.DisplayMark();
        const auto lines = LinesOf(kYellow);
        if (!c.y) {
            EXPECT_TRUE(lines.empty()) << c.level;
            continue;
        }
        ASSERT_EQ(lines.size(), 1U) << c.level;
        EXPECT_NEAR(lines[0].y1, *c.y, 1e-6);
        EXPECT_DOUBLE_EQ(lines[0].x1, graph.PlotLeft() - 120.0);
        EXPECT_DOUBLE_EQ(lines[0].x2, graph.PlotLeft() - 55.0);
    }
}

TEST_F(GraphFixture, ProbeRangeBar) {
    const struct {
        float over, under;
        int32_t colour;
        std::vector<double> tickYs; // ticks drawn, then the bar
        std::optional<std::pair<double, double>> bar;
    } cases[] = {
        {80, 20, kWhite, {1300, 4900}, std::pair{4900.0, 1300.0}},
        {150, 20, kRed, {4900}, std::pair{4900.0, 98.0}}, // clipped above: no top tick
        {80, -20, kRed, {1300}, std::pair{6102.0, 1300.0}},
        {200, 150, kRed, {}, std::nullopt}, // wholly above the scale
        {-10, -20, kRed, {}, std::nullopt}, // wholly below
    };
    for (const auto& c : cases) {
        Redraw();
        graph.OverRangeVal(c.over);
        graph.UnderRangeVal(c.under);
        graph.DisplayProbeRange();
        // The old bar is always erased and the frame's left edge redrawn.
        const auto fills = surface.OfKind(Kind::FillBox);
        ASSERT_EQ(fills.size(), 1U);
        EXPECT_DOUBLE_EQ(fills[0].x1, 380.0);
        EXPECT_EQ(LinesOf(surface.ForeColor()).size(), 1U);

        std::vector<double> ticks;
        std::optional<std::pair<double, double>> bar;
        for (const auto& l : LinesOf(c.colour)) {
            if (l.y1 == l.y2) {
                ticks.push_back(l.y1);
            } else {
                bar = std::pair{l.y1, l.y2};
            }
        }
        EXPECT_EQ(ticks, c.tickYs) << c.over;
        EXPECT_EQ(bar, c.bar) << c.over;
    }

    Redraw();
    graph.OverRangeVal(0.0F); // no range: nothing at all
    graph.DisplayProbeRange();
    EXPECT_TRUE(surface.Items.empty());
}

} // namespace
} // namespace vireon::test
