// The bar graph: scale, labels, bar lengths and the grey peak zone.

#include "graph/ClsBarGraph.h"
#include "support/RecordingSurface.h"

#include <gtest/gtest.h>

#include <tuple>
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

    surface.Items.clear(); // a scale without divisions is refused
    bar.DrawScale(0.0F, 1.0F, 0, 0);
    EXPECT_TRUE(surface.Items.empty());
    EXPECT_EQ(bar.NoOfDiv(), 10);
}

TEST_F(GraphBarTest, LogScaleLabelsAndLengths) {
    bar.DrawScale(0.1F, 1.0F, 4, 1);
    ASSERT_EQ(surface.Texts().size(), 5U);
    EXPECT_EQ(surface.Texts()[4].text, "1.0k");
    EXPECT_FLOAT_EQ(bar.CalBarLenght(10.0F), 2950.0F); // two divisions of 1475
    EXPECT_FLOAT_EQ(bar.CalBarLenght(0.1F), 0.0F);
    EXPECT_FLOAT_EQ(bar.CalBarLenght(5000.0F), 5900.0F);
    EXPECT_FLOAT_EQ(bar.CalBarLenght(-1.0F), 0.0F);
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
    const std::tuple<int32_t, double, double> want[] = {
        {kBar, 310, 310 + 2950},
        {ClsBarGraph::kLightGrey, 310 + 1770, 310 + 2950},
        {ClsBarGraph::kLightGrey, 310, 310 + 2950}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(std::tuple(f[i].colour, f[i].x1, f[i].x2), want[i]) << i;
    }
    EXPECT_DOUBLE_EQ(f[0].y1, 675.0);
    EXPECT_FLOAT_EQ(bar.PeakValue(1), 5.0F);

    // Once the peak is cleared a falling reading draws the bar again.
    bar.ClearPeak();
    surface.Items.clear();
    bar.DrawBarX(4.0F);
    ASSERT_EQ(Fills().size(), 1U);
    EXPECT_EQ(Fills()[0].colour, kBar);
    EXPECT_DOUBLE_EQ(Fills()[0].x2, 310.0 + 2360.0);
}

TEST_F(GraphBarTest, PeakSurvivesARescale) {
    bar.DrawScale(0.0F, 1.0F, 10, 0);
    bar.DrawBarXYZ(8.0F); // a spike followed by a fall
    bar.DrawBarXYZ(1.0F);
    surface.Items.clear();
    bar.DrawScale(0.0F, 2.0F, 10, 0); // 0..20: the peak zone is redrawn to 8
    auto grey = Fills();
    std::erase_if(grey, [](const auto& f) { return f.colour != ClsBarGraph::kLightGrey; });
    ASSERT_EQ(grey.size(), 1U);
    EXPECT_DOUBLE_EQ(grey[0].x2, 310.0 + 2360.0);
    EXPECT_DOUBLE_EQ(grey[0].y1, 400.0);
    EXPECT_EQ(bar.PeakPos(0), 310 + 2360);
}

} // namespace
} // namespace vireon
