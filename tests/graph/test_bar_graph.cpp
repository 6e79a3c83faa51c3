// The bar graph: scale, labels, bar lengths and the grey peak zone.

#include "graph/ClsBarGraph.h"
#include "graph/RecordingSurface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vireon {
namespace {

using Kind = RecordingSurface::Kind;
constexpr int32_t kBar = RGB(0, 255, 255);

struct GraphBarTest : ::testing::Test {
    RecordingSurface surface;
    ClsBarGraph bar;
    void SetUp() override {
        surface.Width = 6500; // scale right 6200, longest bar 5900
        bar.OutputObj(&surface);
    }
    std::vector<RecordingSurface::Item> Fills() const { return surface.OfKind(Kind::FillBox); }
};

TEST_F(GraphBarTest, LinearScaleLabelsAndTicks) {
    bar.DrawScale(0.0F, 1.0F, 10, 0);
    EXPECT_TRUE(surface.Persistent);
    const auto texts = surface.Texts();
    ASSERT_EQ(texts.size(), 11U);
    const char* expected[] = {"0",   "1.0", "2.0", "3.0", "4.0", "5.0",
                              "6.0", "7.0", "8.0", "9.0", "10"};
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].text, expected[i]);
        // Centred on the tick; even divisions above the bars, odd ones below.
        const double centre = i * 590.0 + 300.0;
        EXPECT_DOUBLE_EQ(texts[i].x1 + surface.TextWidth(texts[i].text) / 2, centre);
        EXPECT_DOUBLE_EQ(texts[i].y1, i % 2 == 0 ? 100.0 : 1275.0);
    }
    int ticks = 0;
    for (const auto& l : surface.OfKind(Kind::Line)) {
        EXPECT_EQ(l.colour, ClsBarGraph::kLightGrey);
        ticks += l.x1 == l.x2 && l.x1 > 300.0 ? 1 : 0;
    }
    EXPECT_EQ(ticks, 2 * 10);
}

TEST_F(GraphBarTest, LogScaleLabelsAndLengths) {
    bar.DrawScale(0.1F, 1.0F, 4, 1);
    std::vector<std::string> texts;
    for (const auto& t : surface.Texts()) {
        texts.push_back(t.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"0.1", "1.0", "10", "100", "1.0k"}));
    EXPECT_FLOAT_EQ(bar.CalBarLenght(10.0F), 2950.0F); // two divisions of 1475
    EXPECT_FLOAT_EQ(bar.CalBarLenght(0.1F), 0.0F);
    EXPECT_FLOAT_EQ(bar.CalBarLenght(5000.0F), 5900.0F);
    EXPECT_FLOAT_EQ(bar.CalBarLenght(-1.0F), 0.0F);
}

TEST_F(GraphBarTest, RefusesAScaleWithoutDivisions) {
    bar.DrawScale(0.0F, 1.0F, 10, 0);
    surface.Items.clear();
    bar.DrawScale(0.0F, 1.0F, 0, 0);
    EXPECT_TRUE(surface.Items.empty());
    EXPECT_EQ(bar.NoOfDiv(), 10);
}

TEST_F(GraphBarTest, PeakZoneOnFallingReadings) {
    bar.DrawScale(0.0F, 1.0F, 10, 0);
    surface.Items.clear();
    bar.DrawBarX(5.0F); // rising: the bar
    bar.DrawBarX(3.0F); // falling: grey from the reading to the peak
    bar.DrawBarX(0.0F); // falling to the bottom: grey over the whole bar
    bar.DrawBarX(0.0F); // equal, at the bottom: nothing
    const auto f = Fills();
    ASSERT_EQ(f.size(), 3U);
    EXPECT_EQ(f[0].colour, kBar);
    EXPECT_DOUBLE_EQ(f[0].x1, 310.0);
    EXPECT_DOUBLE_EQ(f[0].x2, 310.0 + 2950.0);
    EXPECT_DOUBLE_EQ(f[0].y1, 675.0);
    EXPECT_DOUBLE_EQ(f[0].y2, 775.0);
    EXPECT_EQ(f[1].colour, ClsBarGraph::kLightGrey);
    EXPECT_DOUBLE_EQ(f[1].x1, 310.0 + 1770.0);
    EXPECT_DOUBLE_EQ(f[1].x2, 310.0 + 2950.0);
    EXPECT_EQ(f[2].colour, ClsBarGraph::kLightGrey);
    EXPECT_DOUBLE_EQ(f[2].x1, 310.0);
    EXPECT_DOUBLE_EQ(f[2].x2, 310.0 + 2950.0);
    EXPECT_EQ(bar.PeakPos(1), 310 + 2950);
    EXPECT_FLOAT_EQ(bar.PeakValue(1), 5.0F);
}

TEST_F(GraphBarTest, PeakSurvivesARescale) {
    bar.DrawScale(0.0F, 1.0F, 10, 0);
    bar.DrawBarXYZ(8.0F); // a spike followed by a fall
    bar.DrawBarXYZ(1.0F);
    surface.Items.clear();
    bar.DrawScale(0.0F, 2.0F, 10, 0); // 0..20: the peak zone is redrawn to 8
    std::vector<RecordingSurface::Item> grey;
    for (const auto& f : Fills()) {
        if (f.colour == ClsBarGraph::kLightGrey) {
            grey.push_back(f);
        }
    }
    ASSERT_EQ(grey.size(), 1U);
    EXPECT_DOUBLE_EQ(grey[0].x2, 310.0 + 2360.0);
    EXPECT_DOUBLE_EQ(grey[0].y1, 400.0);
    EXPECT_EQ(bar.PeakPos(0), 310 + 2360);
}

TEST_F(GraphBarTest, ClearPeakThenAFallingReadingDrawsTheBar) {
    bar.DrawScale(0.0F, 1.0F, 10, 0);
    bar.DrawBarY(6.0F);
    bar.ClearPeak();
    EXPECT_FLOAT_EQ(bar.PeakValue(2), 0.0F);
    EXPECT_EQ(bar.PeakPos(2), 310);
    surface.Items.clear();
    bar.DrawBarY(4.0F);
    const auto f = Fills();
    ASSERT_EQ(f.size(), 1U);
    EXPECT_EQ(f[0].colour, kBar);
    EXPECT_DOUBLE_EQ(f[0].x2, 310.0 + 2360.0);
    bar.DrawBarY(2.0F);
    EXPECT_EQ(Fills().back().colour, ClsBarGraph::kLightGrey);
}

} // namespace
} // namespace vireon
