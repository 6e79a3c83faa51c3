#pragma once
// The main window: owns the probe object, the graphs, the serial link, the timers and the
// window-level state from start to exit. The read cycle and the laser unit live in ReadCycle;
// this class builds the widgets, wires events to the controllers and shows state.

#include "acquisition/AcqState.h"
#include "acquisition/PortCatalog.h"
#include "acquisition/ReadCycle.h"
#include "acquisition/SerialLink.h"
#include "acquisition/Timing.h"
#include "acquisition/UserPrompts.h"
#include "display/WindowDialogs.h"
#include "files/ConfigFile.h"
#include "graph/ClsBarGraph.h"
#include "graph/GraphSetup.h"
#include "graph/GraphZoom.h"
#include "graph/clsGraph.h"
#include "probe/clsProbe.h"
#include "probe/probe_host.h"

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolBar;
class QToolButton;

namespace vireon {

class Cls7300;
class GraphPicture;

// The platform pieces the window is built on; tests pass fakes.
struct WindowPlatform {
    SerialLink& link;
    PortCatalog& ports;
    TimerFactory& timers;
    Clock& clock;
    UserPrompts& prompts;
    Desktop& desktop;
    WindowDialogs& dialogs;
};

class frmMain : public QMainWindow, public AcqView, public ProbeHost, public GraphView {
    Q_OBJECT
public:
    explicit frmMain(WindowPlatform platform, QWidget* parent = nullptr);
    ~frmMain() override;

    // The Load event: Main, then the window placement, the caption and the peak labels.
    void Load();
    void Main();
    // The read delay of the start-up and shutdown: one event pass, then a wait.
    void Delay(float ms);

    // Procedures other parts of the window call.
    void SetSampleRate(const std::string& rate);
    int16_t SetTextUpdateTimer(int16_t perSecond);
    void ProcessSmallS();
    void ChangeDisplay();
    void SetUp7300();
    void UpdateVM7300();

    // AcqView
    void ClearDisplay() override;
    void StatusText(const std::string& text) override;
    void CheckPortEntry(int n, bool checked) override;
    void ShowPortEntry(int n, bool visible) override;
    void Process7300Format() override;
    void ClearBatteryLow() override;
    bool ARProbeChecked() const override;
    void BusyPointer(bool busy) override;
    void StartProgressBar(bool visible, int value) override;
    bool ConfirmLaserOn() override;

    // ProbeHost
    void MsgBox(const std::string& text, ProbeMsgIcon icon) override;
    void Delay(int32_t ms) override;
    std::string AutoNextCmndS(const std::string& code, const std::string& reply) override;

    // GraphView
    std::string VerticalScaleText() const override;
    void VerticalScaleClear() override;
    void VerticalScaleAdd(const std::string& name) override;
    bool VerticalScaleSelect(const std::string& name) override;
    bool MenuChecked(GraphMenu menu) const override;
    void MenuChecked(GraphMenu menu, bool checked) override;
    void ProbePlayEnabled(bool enabled) override;
    void ZoomInButtonEnabled(bool enabled) override;
    void Picture1Visible(bool visible) override;
    void Picture3Visible(bool visible) override;
    void AdjustPicture3() override;
    void MessageBox(const std::string& text) override;
    void CopyRecordedSamples(clsGraph& graph) override;

    void ResizeForm();
    // File > Open and the reading of a log into the time graph.
    void MnuFileOpen();
    void LoadDataIntoGraph(const std::string& path);
    // The bar graph peaks, as a click on the bar graph clears them.
    void ClearPeaks();

    // Access for the application and for tests.
    clsGraph& GRGraph() { return *GRGraph_; }
    ClsBarGraph& GRBarGraph() { return *GRBarGraph_; }
    GraphState& Graphs() { return gs_; }
    GraphSetup& Setup() { return *graphSetup_; }
    GraphPicture* Picture1() const { return Picture1_; }
    GraphPicture* Picture3() const { return Picture3_; }
    QComboBox* VerticalScaleBox() const { return CmbVerticalScale_; }
    QComboBox* SamPerDivBox() const { return cmbSamPerDiv_; }
    AcqState& State() { return s_; }
    const CfgSettings& Settings() const { return cfg_; }
    std::string ConfigPath() const;
    ReadCycle& Cycle() { return *cycle_; }
    clsProbe& Probe() { return *probe_; }
    Cls7300& KD7300cls() { return *KD7300cls_; }
    Timer& HRTReadProbe() { return *hrtReadProbe_; }
    QAction* Menu(const std::string& name) const;
    QAction* CommEntry(int n) const { return mnucommcomm_.at(static_cast<size_t>(n)); }
    QAction* BaudEntry(int i) const { return mnuCommBaud_.at(static_cast<size_t>(i)); }
    QLabel* Label(const std::string& name) const;
    QString StatusPanel() const;
    QToolBar* ToolBar() const { return tbToolBar_; }
    QComboBox* SampleRateBox() const { return CmbSampleRate_; }
    ProbeDescription Description() const;

signals:
    // Raised once the Unload sequence has run (the window is closing).
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildControls();
    void LayoutControls();
    QAction* AddAction(QMenu* menu, const std::string& name, const QString& caption,
                       bool checkable = false);
    QLabel* AddLabel(const std::string& name, const QString& caption, const QString& tip = {});
    QFrame* AddShape(const std::string& name, int32_t color);
    void Unload();
    void RestorePlacement();
    void SavePlacement();
    void HousekeepingTick();
    void FillSampleRates();
    void ShowAbout();
    void LoadConfiguration();
    void BuildGraphs();
    void SetUpGraphsFromSettings();
    QAction* GraphMenuAction(GraphMenu menu) const;
    void SaveConfiguration();

    WindowPlatform p_;
    AcqState s_;
    CfgSettings cfg_;
    std::unique_ptr<Cls7300> KD7300cls_;
    std::unique_ptr<clsProbe> probe_;
    std::unique_ptr<ProbeCommands> probeCommands_;
    std::unique_ptr<ReadCycle> cycle_;
    std::unique_ptr<clsGraph> GRGraph_;
    std::unique_ptr<ClsBarGraph> GRBarGraph_;
    GraphState gs_;
    std::unique_ptr<GraphProbe> graphProbe_;
    std::unique_ptr<GraphSetup> graphSetup_;
    std::unique_ptr<GraphHost> graphHost_;
    std::unique_ptr<ZoomView> zoomView_;
    std::unique_ptr<GraphZoom> zoom_;

    std::unique_ptr<Timer> hrtReadProbe_;
    std::unique_ptr<Timer> hrtUpDateText_;
    std::unique_ptr<Timer> hrtCalSamPerSec_;
    std::unique_ptr<Timer> hrtReadBattTemp_;
    std::unique_ptr<Timer> hrtMinAve_;
    std::unique_ptr<Timer> hrtPlay_;

    std::map<std::string, QAction*> menu_;
    std::vector<QAction*> mnucommcomm_;   // index 1..24
    std::vector<QAction*> mnuCommBaud_;   // index 0..4
    std::vector<QAction*> mnuProbeRange_; // index 0..5
    std::map<std::string, QLabel*> labels_;
    std::map<std::string, QFrame*> shapes_;
    std::vector<QLabel*> labAxisRange_; // index 0..12

    QWidget* central_ = nullptr;
    QToolBar* tbToolBar_ = nullptr;
    QLabel* statusPanel1_ = nullptr;
    QProgressBar* ProgressBar1_ = nullptr;
    QPushButton* CmdStart_ = nullptr;
    QPushButton* CmdOff_ = nullptr;
    QComboBox* cmbSamPerDiv_ = nullptr;
    QComboBox* CmbVerticalScale_ = nullptr;
    QComboBox* CmbSampleRate_ = nullptr;
    QListWidget* LstHeader_ = nullptr;
    GraphPicture* Picture1_ = nullptr;
    GraphPicture* Picture3_ = nullptr;

    bool layoutReady_ = false;
    bool unloaded_ = false;
    uint8_t batteryLow_ = 0;
    uint8_t fiberProbe_ = 0;
    std::string modelText_;
    std::string loadedFileTag_;
    uint8_t displayMode_ = 0;
    bool rangeIndicatorShown_ = false;
};

} // namespace vireon
