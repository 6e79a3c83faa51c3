// Label texts of the time graph and the bar graph.

#include "graph/ClsBarGraph.h"
#include "graph/clsGraph.h"
#include "support/RecordingSurface.h"

#include <gtest/gtest.h>

namespace vireon {
namespace {

TEST(GraphFormatValue, Table) {
    const struct {
        float v;
        const char* text;
    } cases[] = {
        {1000000.0F, "1.0M"},  {25000.0F, "25k"},     {2000.0F, "2.0k"}, {2500.0F, "2.5k"},
        {0.0001F, "0.1m"},     {0.0005F, "0.5m"},     {0.0F, "0m"},      {0.001F, "1m"},
        {-5.0F, "-5000m"},     {0.5F, "0.5"},         {0.123F, "0.123"}, {5.0F, "5.0"},
        {5.5F, "5.5"},         {1.0F, "1.0"},         {50.0F, "50"},     {999.0F, "999"},
        {2000000.0F, "2000k"}, {12345.0F, "12.345k"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(clsGraph::FormatValue(c.v), c.text) << c.v;
    }
}

TEST(GraphFormatHorStr, InterpolatesATimeTraceAndScalesXYValues) {
    // Window 1..106 (10 divisions of 10.5 samples): division 1 lies halfway between indices 11
    // and 12.
    clsGraph time;
    time.GraphType(0);
    time.NoHorDiv(10);
    time.SamPerDiv(10.5F);
    time.WriteData(11, 1, 2.0F);
    time.WriteData(12, 1, 4.0F);
    time.WriteData(22, 1, 0.25F);
    time.GraphInitialize();
    EXPECT_EQ(time.FormatHorStr(1), "3.0");
    EXPECT_EQ(time.FormatHorStr(2), ".250");
    EXPECT_EQ(time.FormatHorStr(3), "0");

    const struct {
        uint8_t type;
        float offset;
        float perDiv;
        const char* desc;
        const char* text; // of division 1
    } cases[] = {
        {1, 0, 2e8F, "", "200M"},  {1, 0, 2e8F, "MHz", "200"},  {1, 0, 5e6F, "", "5.00M"},
        {1, 0, 5e6F, "MHz", "5"},  {1, 0, 12345, "", "12.35k"}, {1, 0, 5, "", "5.0"},
        {1, 0, 0.5F, "", ".500"},  {1, -1, 1, "", "0"},         {2, 1000, 0, "", "10.00k"},
        {2, 0.01F, 0, "", ".100"}, {3, 5, 5, "", "0"},
    };
    for (const auto& c : cases) {
        clsGraph g;
        g.GraphType(c.type);
        g.HorUnitsOffset(c.offset);
        g.HorUnitsPerDiv(c.perDiv);
        g.HorUnitsDesc(c.desc);
        g.GraphInitialize();
        EXPECT_EQ(g.FormatHorStr(1), c.text) << int{c.type} << " " << c.offset << " " << c.perDiv;
    }
}

TEST(GraphBarLabel, Table) {
    const struct {
        float v;
        const char* text;
    } cases[] = {
        {0.0F, "0"},       {0.1F, "0.1"},     {0.03F, "0.03"},   {0.00001F, "0.00001"},
        {1.0F, "1.0"},     {3.5F, "3.5"},     {10.0F, "10"},     {350.0F, "350"},
        {1000.0F, "1.0k"}, {2500.0F, "2.5k"}, {10000.0F, "10k"}, {12500.0F, "12.5k"},
        {1e6F, "1.0M"},    {2.5e6F, "2.5M"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClsBarGraph::LabelText(c.v), c.text) << c.v;
    }
}

} // namespace
} // namespace vireon
