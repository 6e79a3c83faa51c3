#include "display/core/WindowCore.h"

#include "probe/fiber_replies.h"

#include <algorithm>

namespace vireon {

// The probe object seen by the read cycle.
class WindowCore::ProbeCommandsOf : public ProbeCommands {
public:
    explicit ProbeCommandsOf(clsProbe& p) : p_(p) {}
    std::string GetNextCmnd(const std::string& reply) override { return p_.GetNextCmnd(reply); }
    int16_t GetRThreshold() override { return p_.GetRThreshold(); }
    double GetTimerInterval() override { return p_.GetTimerInterval(); }
    void LostComm(int16_t v) override { p_.LostComm(static_cast<uint8_t>(v)); }
    void StartARProbe(int16_t v) override { p_.StartARProbe(static_cast<uint8_t>(v)); }
    void InputStr2(const std::string& reply) override { p_.InputStr2(reply); }

private:
    clsProbe& p_;
};

// The probe object seen by the graph set-up.
class WindowCore::GraphProbeOf : public GraphProbe {
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

namespace {
// Entries whose behaviour arrives with later work are shown but not offered yet.
} // namespace

WindowCore::WindowCore(WindowPlatform platform, WindowView& view)
    : p_(platform), v_(view), notices_(platform.prompts),
      hrtReadProbe_(platform.timers.MakeTimer(66, false)),
      hrtUpDateText_(platform.timers.MakeTimer(150, true)),
      hrtCalSamPerSec_(platform.timers.MakeTimer(500, true)),
      hrtReadBattTemp_(platform.timers.MakeTimer(200, true)),
      hrtMinAve_(platform.timers.MakeTimer(1000, false)),
      hrtPlay_(platform.timers.MakeTimer(4, false)),
      probeCommands_(std::make_unique<ProbeCommandsOf>(probe_)),
      graphProbe_(std::make_unique<GraphProbeOf>(probe_)),
      setup_(s_.Graph, graph_, bar_, *this, *graphProbe_), zoom_(graph_, *this),
      cycle_(s_, platform.link, platform.ports, *hrtReadProbe_, platform.clock, *probeCommands_,
             *this, notices_),
      face_(s_, view, probe_, graph_, bar_, setup_),
      rates_(s_, view, face_, probe_, *hrtUpDateText_, *hrtPlay_),
      battery_(s_, view, probe_, *hrtReadBattTemp_),
      alarm_(s_, view, platform.prompts, platform.desktop, graph_, setup_, probe_, kd_),
      readouts_(s_, view, face_, battery_, notices_, probe_, kd_, graph_, bar_, setup_, *hrtMinAve_,
                *hrtPlay_),
      fiber_(s_, view, face_, rates_, battery_, readouts_, probe_, kd_, graph_, setup_,
             platform.link),
      options_(s_, view, face_, rates_, readouts_, probe_, kd_, graph_, bar_, setup_,
               platform.desktop, *hrtMinAve_),
      files_(s_, view, face_, platform.prompts, notices_, graph_, setup_),
      applier_(s_, view, probe_, kd_, graph_, bar_), recParts_{s_,
                                                               view,
                                                               face_,
                                                               probe_,
                                                               kd_,
                                                               graph_,
                                                               bar_,
                                                               setup_,
                                                               platform.clock,
                                                               platform.prompts,
                                                               notices_,
                                                               platform.desktop,
                                                               *hrtMinAve_,
                                                               *hrtPlay_,
                                                               *hrtReadProbe_,
                                                               *hrtReadBattTemp_,
                                                               [this](Act a) {
                                                                   return Offered(a);
                                                               }},
      minAve_(recParts_, recorder_), recorder_(recParts_, minAve_), player_(recParts_),
      report_(recParts_, recorder_, platform.printer), life_(*this) {
    kd_.SetHost(this);
    probe_.SetHost(this);
    graph_.OutputObj(&view.Surface(Ctl::Picture1));
    bar_.OutputObj(&view.Surface(Ctl::Picture3));
    hrtUpDateText_->OnTick = [this] { s_.RefreshProbeFlag = 1; };
    hrtCalSamPerSec_->OnTick = [this] { rates_.Housekeeping(); };
    hrtReadBattTemp_->OnTick = [this] { battery_.Tick(); };
    rates_.AlarmCheck = [this] { alarm_.Check(); };
    rates_.BatteryBlink = [this] { battery_.Blink(); };
    hrtReadProbe_->OnTick = [this] { cycle_.OnReadTick(); };
    hrtMinAve_->OnTick = [this] { minAve_.OnTick(); };
    hrtPlay_->OnTick = [this] { player_.OnTick(); };
    fiber_.OnReading = [this] { recorder_.OnFiberReading(); };
    readouts_.OnReading = [this] { recorder_.OnProbeReading(); };
    readouts_.ClearPlaybackPeaks = [this] { player_.PlayPeaks = {}; };
    options_.ReloadNotes = [this] { recorder_.ReloadNotes(); };
    options_.SetMinuteAverTime = [this] { minAve_.SetMinuteAverTime(); };
    options_.EditNotePrompts = [this] { recorder_.CmndEditPrompts(); };
    rates_.Blinkers = [this] { minAve_.Blink(); };
    rates_.LogCount = [this] { recorder_.Housekeeping(); };
    files_.ConfirmReplace = [this] { return recorder_.ConfirmDiscard(); };
    files_.OnLoaded = [this](const LoadResult& r) { recorder_.TakeLoadedLog(r); };
    p_.link.OnReceive = [this] { cycle_.OnComm(); };
    p_.link.OnError = [this](int n) { cycle_.OnSerialError(n); };
    p_.ports.DeviceArrival = [this](const std::string& name) { cycle_.OnDeviceArrival(name); };
    p_.ports.DeviceRemoveComplete = [this](const std::string& name) {
        cycle_.OnDeviceRemoveComplete(name);
    };
}

WindowCore::~WindowCore() {
    // Timers and the port may otherwise call into a half-destroyed window.
    for (Timer* t : {hrtReadProbe_.get(), hrtUpDateText_.get(), hrtCalSamPerSec_.get(),
                     hrtReadBattTemp_.get(), hrtMinAve_.get(), hrtPlay_.get()}) {
        t->Enabled(false);
        t->OnTick = nullptr;
    }
    p_.link.OnReceive = nullptr;
    p_.link.OnError = nullptr;
    p_.ports.DeviceArrival = nullptr;
    p_.ports.DeviceRemoveComplete = nullptr;
    kd_.SetHost(nullptr);
    probe_.SetHost(nullptr);
}

void WindowCore::Load() {
    life_.Load();
    minAve_.AfterLoad();
    recorder_.AfterLoad();
}

void WindowCore::Unload(bool ask) {
    const bool first = !s_.Unloaded;
    life_.Unload(ask);
    if (first) {
        recorder_.AtExit();
    }
}

bool WindowCore::Offered(Act a) const {
    const bool fiber = s_.FiberProbe == 1;
    switch (a) {
    case Act::mnuProbe3AxisData:
        return !fiber && probe_.GetMultiplexAvail() == 1;
    case Act::mnuProbeUnits7300:
        return fiber;
    case Act::mnuProbeUnits52xx:
    case Act::mnuProbeRangeTop:
        return !fiber;
    default:
        return true;
    }
}

void WindowCore::Delay(float ms) {
    waiting_ = true;
    p_.clock.Delay(ms);
    waiting_ = false;
}

void WindowCore::OnAction(Act a) {
    if (const int n = CommEntryIndex(a); n > 0) {
        cycle_.MnuCommClick(static_cast<int16_t>(n));
        return;
    }
    if (const int r = RangeEntryIndex(a); r >= 0) {
        readouts_.RangeMenu(r);
        return;
    }
    switch (a) {
    case Act::mnuFileOpen:
    case Act::tbOpen:
        files_.MnuFileOpen();
        break;
    case Act::mnuFileSaveAs:
    case Act::tbSave:
        recorder_.MnuFileSaveAs();
        break;
    case Act::mnuFileReport:
        report_.MnuFileReport();
        break;
    case Act::mnuFileExit:
        v_.CloseWindow();
        break;
    case Act::mnuViewToolbar:
        face_.ToolBarSwitch();
        break;
    case Act::mnuViewStatusBar:
        face_.StatusBarSwitch();
        break;
    case Act::mnuViewExposure:
        minAve_.MnuViewExposure();
        break;
    case Act::mnuViewBarGraph:
    case Act::tbBarGraph:
        setup_.MnuViewBarGraphClick();
        break;
    case Act::mnuViewScatterGraph:
        setup_.MnuViewScatterGraphClick();
        face_.LayoutControls();
        break;
    case Act::mnuViewScatterLive:
    case Act::tbScatter:
        setup_.MnuViewScatterLiveClick();
        break;
    case Act::mnuViewHeaderNotes:
        recorder_.MnuViewHeaderNotes();
        break;
    case Act::mnuViewOptions:
    case Act::tbProperties:
        p_.dialogs.ShowOptions(options_, p_.prompts);
        break;
    case Act::mnuProbeRecord:
    case Act::tbRecord:
        recorder_.ToggleRecordOn();
        break;
    case Act::mnuProbeRecordPause:
    case Act::tbRecordPause:
        recorder_.TogglePause();
        break;
    case Act::mnuProbePlay:
        player_.MnuProbePlay();
        break;
    case Act::mnuProbeZero:
        readouts_.Zero();
        break;
    case Act::mnuProbeUnitsVPM:
        readouts_.ChangeUnits("V/m");
        break;
    case Act::mnuProbeUnitsV2M2:
        readouts_.ChangeUnits("V2/m2");
        break;
    case Act::mnuProbeUnitsMWPCM:
        readouts_.ChangeUnits("mW/cm2");
        break;
    case Act::mnuProbeUnitsOld0:
    case Act::mnuProbeUnitsOld1:
    case Act::mnuProbeUnitsOld2:
        readouts_.Units52xx(static_cast<int>(a) - static_cast<int>(Act::mnuProbeUnitsOld0));
        break;
    case Act::mnuProbePlotComposite:
        setup_.MnuProbePlotCompositeClick();
        break;
    case Act::mnuProbeClearPeak:
        readouts_.ClearPeaks(true);
        break;
    case Act::mnuProbeUpdateNow:
        battery_.UpdateNow();
        break;
    case Act::mnuProbeUpdateoff:
        battery_.SetUpReadBattTemp(0);
        break;
    case Act::mnuProbeUpdate5:
        battery_.SetUpReadBattTemp(5);
        break;
    case Act::mnuProbeUpdate30:
        battery_.SetUpReadBattTemp(50);
        break;
    case Act::mnuProbeUpdate60:
        battery_.SetUpReadBattTemp(150);
        break;
    case Act::mnuProbeTempCels:
        battery_.TemperatureUnit(true);
        break;
    case Act::mnuProbeTempFahr:
        battery_.TemperatureUnit(false);
        break;
    case Act::mnuprobeAlarm:
        alarm_.ToggleEnable();
        break;
    case Act::mnuprobeAlarmSet:
        alarm_.AskLevel();
        break;
    case Act::mnuProbe3AxisData:
        readouts_.Menu3AxisData();
        break;
    case Act::tbZoomIn:
        zoom_.ZoomInButton(s_.Graph.LiveDisplay);
        break;
    case Act::tbZoomOut:
        setup_.ToolbarZoomOut(v_.Text(Ctl::LabUnits));
        break;
    case Act::mnuListPorts:
        cycle_.RefreshPortMenu();
        break;
    case Act::mnuCommBaud0:
    case Act::mnuCommBaud1:
    case Act::mnuCommBaud2:
    case Act::mnuCommBaud3:
    case Act::mnuCommBaud4: {
        // The entries only show which settings string is in force; a click changes nothing.
        const int inForce = s_.BaudRatePreference == "19200,o,7,1" ? 1 : 0;
        for (int i = 0; i <= 4; ++i) {
            v_.Checked(BaudEntry(i), i == inForce);
        }
        break;
    }
    case Act::mnuCommARProbe: {
        const bool on = probe_.StartARProbe() != 1;
        probe_.StartARProbe(on ? 1 : 0);
        v_.Checked(Act::mnuCommARProbe, on);
        // Alternate Remote probes talk at the faster rates: those entries are offered then.
        for (int i = 0; i <= 4; ++i) {
            v_.Visible(BaudEntry(i), (i >= 2) == on);
        }
        break;
    }
    case Act::mnuCommASCII:
        probe_.SetNextCmnd("P2\r");
        break;
    case Act::mnuCommARM:
        probe_.SetNextCmnd("P1\r");
        break;
    case Act::mnuHelpAbout:
        p_.dialogs.ShowAbout(Description());
        break;
    default:
        break;
    }
}

void WindowCore::OnClick(Ctl c) {
    switch (c) {
    case Ctl::CmdStart:
        player_.Stop(); // playback and the probe do not share the line
        cycle_.CmdStart();
        break;
    case Ctl::CmdOff:
        cycle_.CmdOff();
        break;
    case Ctl::LabRecord:
    case Ctl::ShapeRecordInd:
        recorder_.LabRecordClick();
        break;
    case Ctl::LabRecordCntLab:
    case Ctl::LabRecordCnt:
        recorder_.EraseLogCount();
        break;
    case Ctl::LabUnits:
        readouts_.LabUnitsClick();
        break;
    case Ctl::LabPeak:
        readouts_.ClearPeaks(true);
        break;
    case Ctl::LabRange:
        readouts_.LabRangeClick();
        break;
    case Ctl::LabRangeText:
        readouts_.LabRangeTextClick();
        break;
    case Ctl::LabXAxis:
    case Ctl::LabYAxis:
    case Ctl::LabZAxis:
        readouts_.LabAxisClick(c == Ctl::LabXAxis ? 1 : c == Ctl::LabYAxis ? 2 : 3);
        break;
    case Ctl::LabTempLab:
        battery_.UpdateNow(true);
        break;
    default:
        if (c >= LabAxisRange(1) && c <= LabAxisRange(12)) {
            readouts_.LabAxisRangeClick(static_cast<int>(c) - static_cast<int>(LabAxisRange(0)));
        }
        break;
    }
}

void WindowCore::OnComboPick(Ctl c, const std::string& text) {
    switch (c) {
    case Ctl::CmbSampleRate:
        rates_.SetSampleRate(text);
        break;
    case Ctl::CmbVerticalScale:
        setup_.CmbVerticalScaleClick();
        break;
    case Ctl::cmbSamPerDiv:
        setup_.CmbSamPerDivClick(text);
        break;
    default:
        break;
    }
}

void WindowCore::OnPictureMouse(Ctl picture, MouseKind kind, int button, double x, double y) {
    if (picture == Ctl::Picture3) {
        // The peaks go into the log's header; they are not cleared under it.
        if (kind == MouseKind::Down) {
            readouts_.ClearPeaks(false);
        }
        return;
    }
    switch (kind) {
    case MouseKind::Down:
        zoom_.MouseDown(button, x, y);
        break;
    case MouseKind::Move:
        zoom_.MouseMove(button, x, y);
        break;
    case MouseKind::Up:
        zoom_.MouseUp(button, x, y);
        break;
    }
}

void WindowCore::OnPictureResized(Ctl picture) {
    if (picture == Ctl::Picture3) {
        setup_.SetUpBarGraph();
    }
}

void WindowCore::OnResize() {
    if (s_.Unloaded) {
        return;
    }
    // Until start-up has set the graphs up, only the controls move.
    if (s_.Started) {
        face_.ResizeForm();
    } else {
        face_.LayoutControls();
    }
}

void WindowCore::OnActivate() {
    v_.Text(Ctl::LabMinAver, s_.MinAverText);
}

ProbeDescription WindowCore::Description() const {
    // The fiber probe's identification is read by the window, an E/H probe's by the probe
    // object.
    const bool eh = probe_.TypeNumb() == 3;
    ProbeDescription d;
    for (auto [value, to] : {std::pair{&probe_.GetModel(), &d.Model},
                             {eh ? &probe_.SerialNo() : &s_.ProbeSerialNo, &d.SerialNo},
                             {eh ? &probe_.SoftwareRev() : &s_.ProbeSoftVer, &d.SoftRev},
                             {eh ? &probe_.CalDate() : &s_.ProbeCalDate, &d.CalDate}}) {
        if (!value->empty()) {
            *to = *value;
        }
    }
    return d;
}

void WindowCore::CheckPortEntry(int n, bool checked) {
    if (n >= 1 && n <= kMaxCommPorts) {
        v_.Checked(CommEntry(n), checked);
    }
}

void WindowCore::ShowPortEntry(int n, bool visible) {
    if (n >= 1 && n <= kMaxCommPorts) {
        v_.Visible(CommEntry(n), visible);
    }
}

void WindowCore::StartProgressBar(bool visible, int value) {
    v_.Visible(Ctl::ProgressBar1, visible);
    v_.Progress(value);
}

bool WindowCore::CalibrationAccepted(const std::string& reply) const {
    return !reply.empty() && kd_.RawCal() == reply;
}

void WindowCore::MsgBox(const std::string& text, ProbeMsgIcon icon) {
    const MsgIcon i = icon == ProbeMsgIcon::Information ? MsgIcon::Information
                      : icon == ProbeMsgIcon::Critical  ? MsgIcon::Critical
                                                        : MsgIcon::Exclamation;
    notices_.Show(text, i);
}

std::string WindowCore::AutoNextCmndS(const std::string& code, const std::string& reply) {
    if (code != ":M0") {
        return {};
    }
    // The calibration upload is complete: the unit status and the readings follow.
    kd_.ParseCoeff(reply);
    cycle_.SetRthreshold(static_cast<int16_t>(fiber::kStatusLen));
    hrtReadProbe_->Interval(30);
    return fiber::Command(fiber::kCmdUnitStatus);
}

void WindowCore::VerticalScaleAdd(const std::string& name) {
    v_.AddItem(Ctl::CmbVerticalScale, name);
}

bool WindowCore::VerticalScaleSelect(const std::string& name) {
    return v_.Select(Ctl::CmbVerticalScale, name);
}

void WindowCore::MenuChecked(GraphMenu menu, bool checked) {
    switch (menu) {
    case GraphMenu::ViewBarGraph:
        v_.Checked(Act::mnuViewBarGraph, checked);
        break;
    case GraphMenu::ViewScatterGraph:
        v_.Checked(Act::mnuViewScatterGraph, checked);
        break;
    case GraphMenu::ViewScatterLive:
        v_.Checked(Act::mnuViewScatterLive, checked);
        break;
    case GraphMenu::ProbePlotComposite:
        v_.Checked(Act::mnuProbePlotComposite, checked);
        break;
    }
}

void WindowCore::ProbePlayEnabled(bool enabled) {
    v_.Enabled(Act::mnuProbePlay, enabled);
}

void WindowCore::CopyRecordedSamples(clsGraph& graph) {
    recorder_.CopyRecordedSamples(graph);
}

} // namespace vireon
