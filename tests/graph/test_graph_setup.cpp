// The window's graph set-up: scale table, combo boxes, menus and the per-reading feed.

#include "common/numfmt.h"
#include "graph/GraphScales.h"
#include "graph/GraphSetup.h"
#include "support/RecordingSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace vireon {
namespace {

using Kind = RecordingSurface::Kind;

struct FakeProbe : GraphProbe {
    int16_t type = 1, maxRange = 3, autoRange = 1, multiplex = 0;
    std::string selection = "0-10";
    std::vector<std::string> setTypes;
    int16_t TypeNumb() const override { return type; }
    int16_t GetMaxRange() const override { return maxRange; }
    std::string GetGraphScales(int16_t index, int16_t logFlag) const override {
        return logFlag == 1 ? "Log 0.1-1000" : "0-1" + std::string(index - 1, '0');
    }
    std::string GetGraphSelection() const override { return selection; }
    void SetGraphType(const std::string& name) override { setTypes.push_back(name); }
    int16_t AutoRangeOn() const override { return autoRange; }
    int16_t MultiplexOn() const override { return multiplex; }
    float GetOverRangeVal() const override { return 8.0F; }
    float GetUnderRangeVal() const override { return 0.5F; }
};

struct FakeView : GraphView {
    std::vector<std::string> list, messages, calls;
    std::string text;
    std::map<GraphMenu, bool> checks;
    std::string VerticalScaleText() const override { return text; }
    void VerticalScaleClear() override { list.clear(), text.clear(); }
    void VerticalScaleAdd(const std::string& n) override { list.push_back(n); }
    bool VerticalScaleSelect(const std::string& n) override {
        const bool known = std::find(list.begin(), list.end(), n) != list.end();
        text = known ? n : text;
        return known;
    }
    bool MenuChecked(GraphMenu m) const { return checks.contains(m) && checks.at(m); }
    void MenuChecked(GraphMenu m, bool c) override { checks[m] = c; }
    void ProbePlayEnabled(bool e) override { calls.push_back(e ? "play on" : "play off"); }
    void ZoomInButtonEnabled(bool e) override { calls.push_back(e ? "zoomin on" : "zoomin off"); }
    void Picture1Visible(bool) override {}
    void Picture3Visible(bool) override {}
    void AdjustPicture3() override {}
    void MessageBox(const std::string& t) override { messages.push_back(t); }
    void CopyRecordedSamples(clsGraph& g) override {
        calls.push_back("copy");
        g.WriteData(1, 2, 1.0F);
    }
};

struct GraphSetupTest : ::testing::Test {
    RecordingSurface picture1, picture3;
    clsGraph graph;
    ClsBarGraph bar;
    GraphState state;
    FakeView view;
    FakeProbe probe;
    GraphSetup setup{state, graph, bar, view, probe};

    void SetUp() override {
        picture3.Width = 6500;
        graph.OutputObj(&picture1);
        bar.OutputObj(&picture3);
        setup.SetUpGraphCls(12000, 6600, true);
        view.checks[GraphMenu::ViewScatterLive] = true;
    }
    void Pick(const std::string& name) {
        view.text = name;
        setup.CmbVerticalScaleClick();
    }
};

// Every scale's name states its range; the table must agree with it for both graphs.
double UpperOfName(std::string_view name, bool lower) {
    const std::string s(
        name.substr(name.rfind(' ') == std::string_view::npos ? 0 : name.rfind(' ') + 1));
    const std::string part = lower ? s.substr(0, s.find('-')) : s.substr(s.find('-') + 1);
    const char suffix = part.back();
    return Val(part) * (suffix == 'k' ? 1e3 : suffix == 'M' ? 1e6 : suffix == 'm' ? 1e-3 : 1);
}

TEST_F(GraphSetupTest, EveryScaleRowMatchesItsName) {
    state.LiveDisplay = false;
    for (const GraphScaleRow& row : GraphScaleTable()) {
        if (row.name == "Auto") {
            continue;
        }
        state.GraphScale = std::string(row.name);
        view.text = state.GraphScale;
        ASSERT_EQ(setup.SetUpGraphScale(), 1) << row.name;
        graph.GraphInitialize();
        const double top = UpperOfName(row.name, false);
        const double bottom = UpperOfName(row.name, true);
        EXPECT_NEAR(graph.ScaleTop(), top, top * 1e-6) << row.name;
        EXPECT_NEAR(graph.ScaleBottom(), bottom, std::max(bottom, top) * 1e-6) << row.name;
        EXPECT_EQ(graph.GraphType(), row.name.starts_with("Log") ? 3 : 0);
        if (!row.hasBar) {
            continue;
        }
        setup.SetUpBarGraph();
        EXPECT_NEAR(bar.TopValue(), top, top * 1e-6) << row.name;
        EXPECT_NEAR(bar.BottomOfScale(), bottom, std::max(bottom, top) * 1e-6) << row.name;
        EXPECT_EQ(bar.GraphType(), row.barType);
    }
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(GraphSetupTest, LimitGraphSettingFillsAndRestores) {
    view.list = {"x"};
    view.text = "0-10";
    setup.LimitGraphSetting();
    EXPECT_EQ(view.list,
              (std::vector<std::string>{"Auto", "0-1", "0-10", "0-100", "Log 0.1-1000"}));
    EXPECT_EQ(view.text, "0-10");

    view.text = "0-1000"; // no longer offered: nothing selected
    setup.LimitGraphSetting();
    EXPECT_EQ(view.text, "");

    probe.type = 3; // E/H probes have no "Auto", and a remembered "Auto" is dropped
    view.text = "Auto";
    view.list.push_back("Auto");
    setup.LimitGraphSetting();
    EXPECT_EQ(view.list.front(), "0-1");
    EXPECT_EQ(view.text, "");
}

TEST_F(GraphSetupTest, PickingAScaleAppliesAndRedraws) {
    state.LiveDisplay = false;
    Pick("0-35");
    EXPECT_EQ(probe.setTypes.back(), "0-35");
    EXPECT_EQ(graph.NoVerDiv(), 7);
    EXPECT_FLOAT_EQ(graph.VerUnitsOffset(), 17.5F);
    EXPECT_FALSE(picture1.Texts().empty()); // Graph(0) drew the labels
    EXPECT_EQ(bar.NoOfDiv(), 7);

    // The same scale again: only the range bar and the alarm tick are redrawn.
    picture1.Items.clear();
    picture3.Items.clear();
    Pick("0-35");
    EXPECT_TRUE(picture1.OfKind(Kind::Box).empty());
    EXPECT_FALSE(picture1.OfKind(Kind::Line).empty());
    EXPECT_TRUE(picture3.Items.empty());

    // ...not even those while multiplexing without auto-range.
    picture1.Items.clear();
    probe.multiplex = 1;
    probe.autoRange = 0;
    Pick("0-35");
    EXPECT_TRUE(picture1.Items.empty());
}

TEST_F(GraphSetupTest, TimeGraphOnlyUnknownAndAutoScales) {
    Pick("0-100");
    const float barTop = bar.TopValue();
    Pick("0-0.001"); // for the time graph only: the bar keeps its scale
    EXPECT_FLOAT_EQ(graph.VerUnitsPerDiv(), 0.0001F);
    EXPECT_FLOAT_EQ(bar.TopValue(), barTop);
    Pick("0-100");
    Pick("0-7");
    EXPECT_EQ(view.messages, std::vector<std::string>{"Graph scale not found: 0-7"});
    EXPECT_FLOAT_EQ(graph.VerUnitsPerDiv(), 10.0F);
    EXPECT_EQ(state.AppliedScale, "0-100");

    // "Auto" follows the probe while live; without auto-ranging the previous scale stays.
    probe.selection = "0-1000";
    Pick("Auto");
    EXPECT_EQ(state.AutoScale, -1);
    EXPECT_EQ(state.AppliedScale, "0-1000");
    EXPECT_FLOAT_EQ(graph.VerUnitsPerDiv(), 100.0F);
    probe.autoRange = 0;
    probe.selection = "0-1";
    Pick("Auto");
    EXPECT_EQ(state.AppliedScale, "0-1000");
}

TEST_F(GraphSetupTest, LiveSweepWrapsAndHonoursTheCompositeFlag) {
    setup.CmbSamPerDivClick("20");
    EXPECT_EQ(state.SamPerSweep, 200);
    EXPECT_TRUE(picture1.Items.empty()); // no layout yet: nothing drawn
    state.LayoutReady = true;
    Pick("0-10");
    picture1.Items.clear();
    const int32_t total = graph.GetChanLineColour(2);
    const int32_t x = graph.GetChanLineColour(3);
    auto count = [&](int32_t colour) {
        return std::count_if(picture1.Items.begin(), picture1.Items.end(), [&](const auto& i) {
            return i.kind == Kind::Line && i.colour == colour;
        });
    };
    for (int n = 0; n < 200; ++n) {
        setup.PlotGraph7300format(1.0F, 2.0F, 3.0F, 4.0F);
    }
    EXPECT_EQ(state.SweepPos, 200);
    EXPECT_EQ(count(x), 199);
    EXPECT_EQ(count(total), 0);

    setup.MnuProbePlotCompositeClick();
    picture1.Items.clear();
    setup.PlotGraph7300format(1.0F, 2.0F, 3.0F, 4.0F); // wraps: no joining segment
    EXPECT_EQ(state.SweepPos, 1);
    EXPECT_EQ(count(x), 0);
    setup.PlotGraph7300format(1.0F, 2.0F, 3.0F, 4.0F);
    EXPECT_EQ(count(x), 1);
    EXPECT_EQ(count(total), 1);
}

TEST_F(GraphSetupTest, ZoomOutToStaticViewAndBackToLive) {
    state.LayoutReady = true;
    setup.CmbSamPerDivClick("50");
    setup.ToolbarZoomOut("V/m");
    EXPECT_FALSE(state.LiveDisplay);
    EXPECT_FALSE(view.MenuChecked(GraphMenu::ViewScatterLive));
    EXPECT_EQ(view.calls, (std::vector<std::string>{"zoomin on", "copy"}));
    EXPECT_FALSE(picture1.OfKind(Kind::Point).empty());

    graph.SamPerDiv(7.0F); // as a zoom would leave it
    setup.ToolbarScatter();
    EXPECT_TRUE(state.LiveDisplay);
    EXPECT_FLOAT_EQ(graph.SamPerDiv(), 50.0F);
    EXPECT_EQ(state.SweepPos, 1);
    EXPECT_EQ(view.calls.back(), "play off");
}

} // namespace
} // namespace vireon
