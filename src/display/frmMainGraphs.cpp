// The main window's side of the two graphs: the time graph on Picture1 with its zoom, the bar
// graph on Picture3, the scale and samples-per-division boxes and the view switches.

#include "common/numfmt.h"
#include "display/Twips.h"
#include "display/frmMain.h"
#include "graph/qt/GraphPicture.h"
#include "graph/qt/QtGraphHost.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>

namespace vireon {

namespace {

class GraphProbeOf : public GraphProbe {
public:
    explicit GraphProbeOf(clsProbe& p) : p_(p) {}
    int16_t TypeNumb() const override { return p_.TypeNumb(); }
    int16_t GetMaxRange() const override { return p_.GetMaxRange(); }
    std::string GetGraphScales(int16_t index, int16_t logFlag) const override {
        return p_.GetGraphScales(index, logFlag);
    }
    std::string GetGraphSelection() const override { return p_.GetGraphSelection(); }
    void SetGraphType(const std::string& name) override { p_.SetGraphType(name); }
    int16_t AutoRangeOn() const override { return p_.AutoRangeOn(); }
    int16_t MultiplexOn() const override { return p_.MultiplexOn(); }
    float GetOverRangeVal() const override { return p_.GetOverRangeVal(); }
    float GetUnderRangeVal() const override { return p_.GetUnderRangeVal(); }

private:
    clsProbe& p_;
};

} // namespace

void frmMain::BuildGraphs() {
    GRGraph_ = std::make_unique<clsGraph>();
    GRBarGraph_ = std::make_unique<ClsBarGraph>();
    GRGraph_->OutputObj(&Picture1_->Surface());
    GRBarGraph_->OutputObj(&Picture3_->Surface());
    graphHost_ = std::make_unique<QtGraphHost>(ProgressBar1_);
    GRGraph_->Host(graphHost_.get());
    graphProbe_ = std::make_unique<GraphProbeOf>(*probe_);
    graphSetup_ = std::make_unique<GraphSetup>(gs_, *GRGraph_, *GRBarGraph_, *this, *graphProbe_);
    zoomView_ = std::make_unique<PictureZoomView>(
        *Picture1_, [this](const std::string& text) { StatusText(text); });
    zoom_ = std::make_unique<GraphZoom>(*GRGraph_, *zoomView_);

    connect(Picture1_, &GraphPicture::MouseDown, this,
            [this](int button, int, double x, double y) { zoom_->MouseDown(button, x, y); });
    connect(Picture1_, &GraphPicture::MouseMove, this,
            [this](int button, int, double x, double y) { zoom_->MouseMove(button, x, y); });
    connect(Picture1_, &GraphPicture::MouseUp, this,
            [this](int button, int, double x, double y) { zoom_->MouseUp(button, x, y); });
    connect(Picture3_, &GraphPicture::MouseDown, this, [this] { ClearPeaks(); });
    connect(Picture3_, &GraphPicture::Resized, this, [this] {
        if (graphSetup_) {
            graphSetup_->SetUpBarGraph();
        }
    });
    connect(CmbVerticalScale_, &QComboBox::activated, this,
            [this] { graphSetup_->CmbVerticalScaleClick(); });
    connect(cmbSamPerDiv_, &QComboBox::activated, this, [this](int i) {
        graphSetup_->CmbSamPerDivClick(cmbSamPerDiv_->itemText(i).toStdString());
    });
    connect(Menu("mnuViewBarGraph"), &QAction::triggered, this,
            [this] { graphSetup_->MnuViewBarGraphClick(); });
    connect(Menu("mnuViewScatterGraph"), &QAction::triggered, this, [this] {
        graphSetup_->MnuViewScatterGraphClick();
        LayoutControls();
    });
    connect(Menu("mnuViewScatterLive"), &QAction::triggered, this,
            [this] { graphSetup_->MnuViewScatterLiveClick(); });
    connect(Menu("mnuProbePlotComposite"), &QAction::triggered, this,
            [this] { graphSetup_->MnuProbePlotCompositeClick(); });
    connect(Menu("tbScatter"), &QAction::triggered, this,
            [this] { graphSetup_->ToolbarScatter(); });
    connect(Menu("tbBarGraph"), &QAction::triggered, this,
            [this] { graphSetup_->ToolbarBarGraph(); });
    connect(Menu("tbZoomIn"), &QAction::triggered, this,
            [this] { zoom_->ZoomInButton(gs_.LiveDisplay); });
    connect(Menu("tbZoomOut"), &QAction::triggered, this,
            [this] { graphSetup_->ToolbarZoomOut(labels_["LabUnits"]->text().toStdString()); });
    connect(Menu("tbOpen"), &QAction::triggered, this, [this] { MnuFileOpen(); });
    for (const char* name :
         {"tbOpen", "mnuViewBarGraph", "mnuViewScatterGraph", "mnuViewScatterLive",
          "mnuProbePlotComposite", "tbScatter", "tbBarGraph", "tbZoomIn", "tbZoomOut"}) {
        Menu(name)->setEnabled(true);
    }
}

// Engine configuration, colours, the scale and samples-per-division boxes from the settings.
void frmMain::SetUpGraphsFromSettings() {
    graphSetup_->SetUpGraphCls(Picture1_->ScaleWidth(), Picture1_->ScaleHeight(),
                               cfg_.DisplayHorLinesFlag == 1);
    GRGraph_->BackGround(cfg_.BackGround);
    GRGraph_->GridLineColor(cfg_.GridLineColor);
    GRGraph_->MinLineColor(cfg_.MinLineColor);
    GRGraph_->LogScaleMinOn(cfg_.LogScaleMinOn);
    GRGraph_->SetChanLineColour(2, cfg_.XYZaxisColor);
    GRGraph_->SetChanLineColour(3, cfg_.XaxisColor);
    GRGraph_->SetChanLineColour(4, cfg_.YaxisColor);
    GRGraph_->SetChanLineColour(5, cfg_.ZaxisColor);
    GRGraph_->SetMark1(cfg_.AlarmValue);
    Picture1_->Surface().BackColor(cfg_.BackGround);
    Picture1_->Surface().ForeColor(cfg_.GraphTextColor);
    Picture3_->Surface().BackColor(cfg_.BackGround);
    Picture3_->Surface().ForeColor(cfg_.GraphTextColor);
    if (cfg_.MatchBarGraphToScatt != 0) {
        GRBarGraph_->BarXYZColor(cfg_.XYZaxisColor);
        GRBarGraph_->BarXColor(cfg_.XaxisColor);
        GRBarGraph_->BarYColor(cfg_.YaxisColor);
        GRBarGraph_->BarZColor(cfg_.ZaxisColor);
    }
    for (const char* shape : {"ShapeX", "ShapeY", "ShapeZ"}) {
        const int16_t trace = shape[5] == 'X' ? 3 : shape[5] == 'Y' ? 4 : 5;
        QPalette pal = shapes_[shape]->palette();
        pal.setColor(QPalette::Window, ColorFromLong(GRGraph_->GetChanLineColour(trace)));
        shapes_[shape]->setPalette(pal);
    }
}

QAction* frmMain::GraphMenuAction(GraphMenu menu) const {
    switch (menu) {
    case GraphMenu::ViewBarGraph:
        return Menu("mnuViewBarGraph");
    case GraphMenu::ViewScatterGraph:
        return Menu("mnuViewScatterGraph");
    case GraphMenu::ViewScatterLive:
        return Menu("mnuViewScatterLive");
    case GraphMenu::ProbePlotComposite:
        return Menu("mnuProbePlotComposite");
    }
    return nullptr;
}

std::string frmMain::VerticalScaleText() const {
    return Utf8ToCp1252(CmbVerticalScale_->currentText().toStdString());
}

void frmMain::VerticalScaleClear() {
    CmbVerticalScale_->clear();
}

void frmMain::VerticalScaleAdd(const std::string& name) {
    CmbVerticalScale_->addItem(QString::fromStdString(Cp1252ToUtf8(name)));
}

bool frmMain::VerticalScaleSelect(const std::string& name) {
    const int i = CmbVerticalScale_->findText(QString::fromStdString(Cp1252ToUtf8(name)));
    if (i < 0) {
        return false;
    }
    CmbVerticalScale_->setCurrentIndex(i);
    return true;
}

bool frmMain::MenuChecked(GraphMenu menu) const {
    return GraphMenuAction(menu)->isChecked();
}

void frmMain::MenuChecked(GraphMenu menu, bool checked) {
    GraphMenuAction(menu)->setChecked(checked);
}

void frmMain::ProbePlayEnabled(bool enabled) {
    // Playback arrives with the recording work; until then the entry stays unavailable.
    (void)enabled;
}

void frmMain::ZoomInButtonEnabled(bool enabled) {
    Menu("tbZoomIn")->setEnabled(enabled);
}

void frmMain::Picture1Visible(bool visible) {
    Picture1_->setVisible(visible);
}

void frmMain::Picture3Visible(bool visible) {
    Picture3_->setVisible(visible);
}

void frmMain::AdjustPicture3() {
    LayoutControls();
}

void frmMain::MessageBox(const std::string& text) {
    p_.prompts.MsgBox(text, MsgIcon::None, MsgButtons::Ok);
}

void frmMain::CopyRecordedSamples(clsGraph& graph) {
    // Nothing is recorded before logging exists; the graph keeps what it stores.
    (void)graph;
}

void frmMain::ClearPeaks() {
    GRBarGraph_->ClearPeak();
    if (probe_) {
        probe_->ClearMaxHold();
    }
}

// The full layout after a resize: controls, then the graphs redrawn at their new size.
void frmMain::ResizeForm() {
    if (isMinimized() || !graphSetup_) {
        return;
    }
    if (!layoutReady_) {
        layoutReady_ = true;
        gs_.LayoutReady = true;
    }
    const bool status = Menu("mnuViewStatusBar")->isChecked();
    statusBar()->hide();
    LayoutControls();
    // A hidden picture gets no resize event; its surface must follow the new size now.
    Picture1_->Surface().Resize(Picture1_->width(), Picture1_->height());
    Picture3_->Surface().Resize(Picture3_->width(), Picture3_->height());
    graphSetup_->SetUpBarGraph();
    Picture3_->update();
    Picture1_->Surface().Clear();
    gs_.SweepPos = 1;
    GRGraph_->Height(static_cast<int16_t>(Picture1_->ScaleHeight() - 100));
    GRGraph_->Width(static_cast<int16_t>(Picture1_->ScaleWidth() - 100));
    GRGraph_->Left(100);
    GRGraph_->Top(100);
    GRGraph_->Clear();
    if (gs_.LiveDisplay) {
        GRGraph_->Graph(1);
    } else {
        GRGraph_->Graph(0);
        GRGraph_->DrawLines();
    }
    Picture1_->update();
    statusBar()->setVisible(status);
}

} // namespace vireon
