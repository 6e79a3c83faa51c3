#include "graph/GraphSetup.h"

#include "common/numfmt.h"
#include "graph/GraphScales.h"

namespace vireon {

void SetUpTimeGraph(clsGraph& graph, double width, double height, bool horizontalLines,
                    float samPerDiv) {
    graph.ConnectPts(1);
    graph.PixelSize(1);
    graph.ZoomOff(0);
    graph.Height(NearInt16(height - 100.0));
    graph.Width(NearInt16(width - 100.0));
    graph.Left(100);
    graph.Top(100);
    graph.DisVerLines(2);
    graph.DisHorLines(horizontalLines ? 1 : 0);
    for (int16_t t = 2; t <= 5; ++t) {
        graph.TraceSet(t, 1);
    }
    graph.No_VerMinDiv(1);
    graph.No_HorMinDiv(1);
    graph.HorUnitsPerDiv(10.0F);
    graph.HorUnitsOffset(10.0F);
    graph.HorUnitsDesc("Time");
    graph.SamPerDiv(samPerDiv);
}

void ApplyGraphScale(clsGraph& graph, const GraphScaleRow& row) {
    graph.NoVerDiv(10);
    graph.GraphType(row.logarithmic ? 3 : 0);
    graph.NoVerDiv(row.noVerDiv);
    if (row.logarithmic) {
        graph.YAxisLogMax(row.yAxisLogMax);
    } else {
        graph.VerUnitsPerDiv(row.verUnitsPerDiv);
        graph.VerUnitsOffset(row.verUnitsOffset);
    }
}

void ApplyBarScale(ClsBarGraph& bar, const GraphScaleRow& row) {
    if (row.hasBar) {
        bar.DrawScale(row.barBottom, row.barUnitsPerDiv, row.barNoOfDiv, row.barType);
    }
}

void GraphSetup::SetUpGraphCls(double picture1Width, double picture1Height, bool horizontalLines) {
    SetUpTimeGraph(graph_, picture1Width, picture1Height, horizontalLines, st_.SamPerDiv);
}

void GraphSetup::LimitGraphSetting() {
    const std::string remembered = view_.VerticalScaleText();
    view_.VerticalScaleClear();
    const bool eh = probe_.TypeNumb() == 3;
    if (!eh) {
        view_.VerticalScaleAdd("Auto");
    }
    const int16_t maxRange = probe_.GetMaxRange();
    for (int16_t i = 1; i <= maxRange; ++i) {
        view_.VerticalScaleAdd(probe_.GetGraphScales(i, 0));
    }
    view_.VerticalScaleAdd(probe_.GetGraphScales(0, 1));
    if (!(eh && remembered == "Auto")) {
        // A text that is no longer offered simply stays unselected.
        view_.VerticalScaleSelect(remembered);
    }
}

void GraphSetup::CmbVerticalScaleClick() {
    const std::string text = view_.VerticalScaleText();
    if (text == "Auto") {
        st_.AutoScale = -1;
        probe_.SetGraphType("Auto");
    } else {
        st_.GraphScale = text;
        probe_.SetGraphType(text);
        st_.AutoScale = 0;
    }
    st_.SamPerSweep = NearInt16(graph_.ReTraceCnt());
    if (SetUpGraphScale() == 1) {
        DrawGraph();
        SetUpBarGraph();
    }
}

std::optional<int16_t> GraphSetup::SetUpGraphScale() {
    if (st_.LiveDisplay && view_.VerticalScaleText() == "Auto" && probe_.AutoRangeOn() == 1) {
        st_.GraphScale = probe_.GetGraphSelection();
    }
    if (st_.GraphScale == st_.AppliedScale) {
        if (!(probe_.MultiplexOn() != 0 && probe_.AutoRangeOn() == 0)) {
            graph_.DisplayProbeRange();
            graph_.DisplayMark();
        }
        return std::nullopt;
    }
    const GraphScaleRow* row = FindGraphScale(st_.GraphScale);
    if (row == nullptr) {
        // The graph keeps its scale; the name is not taken as applied, so picking it again
        // reports it again.
        view_.MessageBox(kScaleNotFound + st_.GraphScale);
        return std::nullopt;
    }
    st_.AppliedScale = st_.GraphScale;
    graph_.OverRangeVal(probe_.GetOverRangeVal());
    graph_.UnderRangeVal(probe_.GetUnderRangeVal());
    ApplyGraphScale(graph_, *row);
    st_.SweepPos = 0;
    return int16_t{1};
}

void GraphSetup::SetUpBarGraph() {
    if (view_.VerticalScaleText() == "Auto") {
        st_.GraphScale = probe_.GetGraphSelection();
    }
    const GraphScaleRow* row = FindGraphScale(st_.GraphScale);
    if (row != nullptr) {
        ApplyBarScale(bar_, *row);
    }
}

void GraphSetup::CmbSamPerDivClick(const std::string& text) {
    const double v = Val(text);
    graph_.SamPerDiv(static_cast<float>(v));
    st_.SamPerDiv = NearInt16(v);
    st_.SamPerSweep = NearInt16(graph_.ReTraceCnt());
    st_.SweepPos = 1;
    if (!st_.LayoutReady) {
        return;
    }
    graph_.Graph(0);
    if (!st_.LiveDisplay) {
        graph_.DrawLines();
    }
}

void GraphSetup::DrawGraph() {
    st_.SweepPos = 0;
    if (st_.LiveDisplay) {
        graph_.Graph(1);
    } else {
        graph_.ZoomOut();
        graph_.Graph(0);
        graph_.DrawLines();
    }
}

void GraphSetup::PlotGraph7300format(float xAxis, float yAxis, float zAxis, float xyz) {
    ++st_.SweepPos;
    if (st_.SweepPos > st_.SamPerSweep || st_.SweepPos < 1) {
        st_.SweepPos = 1;
    }
    graph_.ScrollErase(st_.SweepPos);
    graph_.Scroll(st_.SweepPos, xAxis, 3);
    graph_.Scroll(st_.SweepPos, yAxis, 4);
    graph_.Scroll(st_.SweepPos, zAxis, 5);
    if (st_.PlotComp == 1) {
        graph_.Scroll(st_.SweepPos, xyz, 2);
    }
}

void GraphSetup::BarGraph7300(float xyzNA, float xNA, float yNA, float zNA) {
    bar_.DrawBarXYZ(xyzNA);
    bar_.DrawBarX(xNA);
    bar_.DrawBarY(yNA);
    bar_.DrawBarZ(zNA);
}

void GraphSetup::SetPlotComp(uint8_t flag) {
    st_.PlotComp = flag == 1 ? 1 : 0;
    view_.MenuChecked(GraphMenu::ProbePlotComposite, st_.PlotComp == 1);
}

// The switches toggle the state they show, not the check mark: a checkable menu entry has
// already flipped its own mark when the click arrives.
void GraphSetup::MnuViewBarGraphClick() {
    const bool checked = !st_.BarGraphVisible;
    view_.MenuChecked(GraphMenu::ViewBarGraph, checked);
    st_.BarGraphVisible = checked;
    if (checked) {
        view_.AdjustPicture3();
    } else {
        view_.Picture3Visible(false);
    }
}

void GraphSetup::MnuViewScatterGraphClick() {
    const bool checked = !st_.ScatterGraphVisible;
    st_.ScatterGraphVisible = checked;
    view_.MenuChecked(GraphMenu::ViewScatterGraph, checked);
    view_.Picture1Visible(checked);
}

void GraphSetup::MnuViewScatterLiveClick() {
    const bool checked = !st_.LiveDisplay;
    view_.MenuChecked(GraphMenu::ViewScatterLive, checked);
    st_.LiveDisplay = checked;
    if (!checked) {
        return;
    }
    view_.ProbePlayEnabled(false);
    if (st_.StaticView) {
        st_.StaticView = false;
        graph_.SamPerDiv(st_.SamPerDiv);
        SetUpGraphScale();
        graph_.Graph(1);
        st_.SamPerSweep = NearInt16(graph_.ReTraceCnt());
        st_.SweepPos = 1;
    }
}

void GraphSetup::MnuProbePlotCompositeClick() {
    const bool checked = st_.PlotComp != 1;
    view_.MenuChecked(GraphMenu::ProbePlotComposite, checked);
    st_.PlotComp = checked ? 1 : 0;
}

void GraphSetup::ToolbarZoomOut(const std::string& unitsText) {
    view_.ZoomInButtonEnabled(true);
    graph_.VerUnitsDesc(unitsText);
    view_.CopyRecordedSamples(graph_);
    st_.LiveDisplay = false;
    view_.MenuChecked(GraphMenu::ViewScatterLive, false);
    st_.StaticView = true;
    graph_.ZoomOut();
    graph_.Graph(0);
    graph_.DrawLines();
}

} // namespace vireon
