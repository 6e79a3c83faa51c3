#pragma once
// The main window without its widgets: owns the probe and calibration objects, the graphs,
// the read cycle, the six timers, the window state and the controllers, and turns the events
// the window forwards (menu entries, clicks, list picks, mouse on the graphs, resize) into
// their procedures. Qt-free, so start-up, the read cycle and the readouts run in tests on
// virtual time.

#include "acquisition/PortCatalog.h"
#include "acquisition/ReadCycle.h"
#include "acquisition/SerialLink.h"
#include "acquisition/Timing.h"
#include "acquisition/UserPrompts.h"
#include "display/core/Alarm.h"
#include "display/core/BatteryTemp.h"
#include "display/core/Face.h"
#include "display/core/FiberReadouts.h"
#include "display/core/Lifecycle.h"
#include "display/core/LogOpen.h"
#include "display/core/MovingAverage.h"
#include "display/core/Options.h"
#include "display/core/Playback.h"
#include "display/core/RateControl.h"
#include "display/core/Readouts.h"
#include "display/core/Recorder.h"
#include "display/core/ReportControl.h"
#include "display/core/SettingsApplier.h"
#include "display/core/WindowDialogs.h"
#include "display/core/WindowState.h"
#include "display/core/WindowView.h"
#include "graph/ClsBarGraph.h"
#include "graph/GraphSetup.h"
#include "graph/GraphZoom.h"
#include "graph/clsGraph.h"
#include "probe/cls7300.h"
#include "probe/clsProbe.h"
#include "probe/probe_host.h"

#include <memory>

namespace vireon {

// The platform pieces the window is built on; tests pass fakes.
struct WindowPlatform {
    SerialLink& link;
    PortCatalog& ports;
    TimerFactory& timers;
    Clock& clock;
    UserPrompts& prompts;
    Desktop& desktop;
    WindowDialogs& dialogs;
    SettingsStore& store;
    ReportPrinter& printer;
};

enum class MouseKind : uint8_t { Down, Move, Up };

class WindowCore final : public AcqView, public ProbeHost, public GraphView, public ZoomView {
public:
    WindowCore(WindowPlatform platform, WindowView& view);
    ~WindowCore() override;
    WindowCore(const WindowCore&) = delete;
    WindowCore& operator=(const WindowCore&) = delete;

    // The Load event and the shutdown; `ask` false closes without the laser question (a
    // signal from the system): the laser is then switched off when it was on.
    void Load();
    void Unload(bool ask = true);
    // Before the window closes: false when the user chose to keep it open.
    bool QueryUnload() { return recorder_.QueryUnload(); }

    void OnAction(Act a);
    void OnClick(Ctl c);
    void OnComboPick(Ctl c, const std::string& text);
    void OnPictureMouse(Ctl picture, MouseKind kind, int button, double x, double y);
    void OnPictureResized(Ctl picture);
    void OnResize();
    void OnActivate();
    // A clock-run wait (splash, the laser-off pause) is under way: the window defers closing.
    bool Waiting() const { return waiting_; }
    void Delay(float ms);

    ProbeDescription Description() const;
    // Whether an entry belongs to the probe family now identified (a log's stop enables only
    // those).
    bool Offered(Act a) const;

    WindowState& State() { return s_; }
    clsProbe& Probe() { return probe_; }
    Cls7300& KD7300cls() { return kd_; }
    clsGraph& GRGraph() { return graph_; }
    ClsBarGraph& GRBarGraph() { return bar_; }
    GraphSetup& Graphs() { return setup_; }
    ReadCycle& Cycle() { return cycle_; }
    Face& Faces() { return face_; }
    RateControl& Rates() { return rates_; }
    BatteryTemp& Battery() { return battery_; }
    Alarm& Alarms() { return alarm_; }
    Readouts& Readout() { return readouts_; }
    Options& Option() { return options_; }
    FiberReadouts& Fiber() { return fiber_; }
    LogOpen& Files() { return files_; }
    SettingsApplier& Settings() { return applier_; }
    Recorder& Log() { return recorder_; }
    MovingAverage& Exposure() { return minAve_; }
    Playback& Player() { return player_; }
    ReportControl& Reports() { return report_; }
    // The four-range and E/H reading updates hand each reading to the log here.
    void LogProbeReading() { recorder_.OnProbeReading(); }
    // The options dialog's edit button for the note prompts.
    void EditPrompts() { recorder_.CmndEditPrompts(); }
    NoticeBoard& Notices() { return notices_; }
    Timer& HRTReadProbe() { return *hrtReadProbe_; }
    Timer& HRTUpDateText() { return *hrtUpDateText_; }
    Timer& HRTReadBattTemp() { return *hrtReadBattTemp_; }
    Timer& HRTMinAve() { return *hrtMinAve_; }
    Timer& HRTPlay() { return *hrtPlay_; }
    WindowView& View() { return v_; }
    WindowPlatform& Platform() { return p_; }

    // AcqView
    void ClearDisplay() override { face_.ClearDisplay(); }
    void StatusText(const std::string& text) override { face_.StatusText(text); }
    void CheckPortEntry(int n, bool checked) override;
    void ShowPortEntry(int n, bool visible) override;
    void Process7300Format() override { fiber_.Process7300Format(); }
    void ClearBatteryLow() override { s_.BatteryLow = 0; }
    bool ARProbeChecked() const override { return v_.Checked(Act::mnuCommARProbe); }
    void BusyPointer(bool busy) override { v_.BusyPointer(busy); }
    void StartProgressBar(bool visible, int value) override;
    bool ConfirmLaserOn() override { return p_.dialogs.LaserCaution(); }
    bool CalibrationAccepted(const std::string& reply) const override;

    // ProbeHost
    void MsgBox(const std::string& text, ProbeMsgIcon icon) override;
    void Delay(int32_t ms) override { Delay(static_cast<float>(ms)); }
    std::string AutoNextCmndS(const std::string& code, const std::string& reply) override;

    // GraphView
    std::string VerticalScaleText() const override { return v_.Text(Ctl::CmbVerticalScale); }
    void VerticalScaleClear() override { v_.Items(Ctl::CmbVerticalScale, {}); }
    void VerticalScaleAdd(const std::string& name) override;
    bool VerticalScaleSelect(const std::string& name) override;
    void MenuChecked(GraphMenu menu, bool checked) override;
    void ProbePlayEnabled(bool enabled) override;
    void ZoomInButtonEnabled(bool enabled) override { v_.Enabled(Act::tbZoomIn, enabled); }
    void Picture1Visible(bool visible) override { v_.Visible(Ctl::Picture1, visible); }
    void Picture3Visible(bool visible) override { v_.Visible(Ctl::Picture3, visible); }
    void AdjustPicture3() override { face_.AdjustPicture3(); }
    void MessageBox(const std::string& text) override { notices_.Show(text, MsgIcon::None); }
    void CopyRecordedSamples(clsGraph& graph) override;

    // ZoomView
    void ShowZoomBand(const ZoomBand& band) override { v_.ShowZoomBand(band); }
    void HideZoomBand() override { v_.HideZoomBand(); }

private:
    class ProbeCommandsOf;
    class GraphProbeOf;

    WindowPlatform p_;
    WindowView& v_;
    WindowState s_;
    NoticeBoard notices_;
    std::unique_ptr<Timer> hrtReadProbe_;
    std::unique_ptr<Timer> hrtUpDateText_;
    std::unique_ptr<Timer> hrtCalSamPerSec_;
    std::unique_ptr<Timer> hrtReadBattTemp_;
    std::unique_ptr<Timer> hrtMinAve_;
    std::unique_ptr<Timer> hrtPlay_;
    Cls7300 kd_;
    clsProbe probe_;
    clsGraph graph_;
    ClsBarGraph bar_;
    std::unique_ptr<ProbeCommandsOf> probeCommands_;
    std::unique_ptr<GraphProbeOf> graphProbe_;
    GraphSetup setup_;
    GraphZoom zoom_;
    ReadCycle cycle_;
    Face face_;
    RateControl rates_;
    BatteryTemp battery_;
    Alarm alarm_;
    Readouts readouts_;
    FiberReadouts fiber_;
    Options options_;
    LogOpen files_;
    SettingsApplier applier_;
    RecordingParts recParts_;
    MovingAverage minAve_;
    Recorder recorder_;
    Playback player_;
    ReportControl report_;
    Lifecycle life_;
    bool waiting_ = false;
};

} // namespace vireon
