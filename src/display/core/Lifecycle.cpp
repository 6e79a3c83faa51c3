#include "display/core/Lifecycle.h"

#include "common/numfmt.h"
#include "display/core/WindowCore.h"
#include "probe/fiber_replies.h"

#include <algorithm>
#include <cmath>

namespace vireon {

namespace {
const char* const kSamplesPerDivision[] = {"20",  "35",  "50",  "75",  "100", "150",
                                           "200", "300", "400", "500", "1000"};
constexpr const char* kPlacementSection = "Settings";
} // namespace

void Lifecycle::Main() {
    WindowState& s = c_.State();
    WindowView& v = c_.View();
    LoadConfiguration();

    c_.Platform().dialogs.ShowSplash();
    c_.Delay(3000.0F);
    c_.Platform().dialogs.UnloadSplash();

    if (!v.Checked(Act::mnuProbe3AxisData)) {
        v.Visible(Act::mnuProbeRangeTop, false);
    }
    v.Visible(Act::mnuProbeUnits52xx, false);
    SetUpGraphs();
    c_.Alarms().Apply(s.AlarmEnable, s.AlarmValue);

    s.RthresEnabled = s.MaxSpeedFlag != 0 ? 1 : 0;
    const bool fasterBaud = s.BaudRatePreference == "19200,o,7,1";
    v.Checked(BaudEntry(fasterBaud ? 1 : 0), true);
    if (fasterBaud) {
        for (int i = 2; i <= 4; ++i) {
            v.Visible(BaudEntry(i), false);
        }
    }

    c_.Settings().ToObjects(s.Cfg);
    c_.Readout().ChangeTextColor(s.Cfg.GraphTextColor);

    if (s.MaxSpeedFlag != 0) {
        s.SampleRate = "Max";
    }
    c_.Rates().SetSampleRate(s.SampleRate);
    c_.Battery().SetUpReadBattTemp(s.BattTempUpdateInterval);
    c_.Rates().FillSampleRates();
    v.Items(Ctl::cmbSamPerDiv, {std::begin(kSamplesPerDivision), std::end(kSamplesPerDivision)});
    c_.Graphs().LimitGraphSetting();
    // Settings the lists do not hold fall back to "Auto" and 50 samples per division.
    if (!v.Select(Ctl::CmbVerticalScale, s.Cfg.GraphScale)) {
        v.Select(Ctl::CmbVerticalScale, "Auto");
    }
    c_.Graphs().CmbVerticalScaleClick();
    const std::string perDiv = std::to_string(s.Cfg.DefSamPerDiv);
    if (!v.Select(Ctl::cmbSamPerDiv, perDiv)) {
        v.Select(Ctl::cmbSamPerDiv, "50");
    }
    c_.Graphs().CmbSamPerDivClick(v.Text(Ctl::cmbSamPerDiv));

    v.Visible(Ctl::LabOverRange, false);
    c_.Faces().ChanColorIndicator();

    c_.Cycle().RefreshPortMenu();
    c_.Cycle().OpenCommPort(s.CommPortNo);

    c_.Rates().SetTextUpdateTimer(s.GITDisplayUpdate);
    c_.Graphs().SetPlotComp(static_cast<uint8_t>(s.Cfg.PlotComposite == 1 ? 1 : 0));

    s.ChangeDisplayFlag = 1;
    s.Graph.SamPerSweep = static_cast<int16_t>(c_.GRGraph().ReTraceCnt());
    s.Graph.LiveDisplay = true;
    s.Graph.BarGraphVisible = true;
    v.Checked(Act::mnuViewScatterLive, true);
    v.Checked(Act::mnuViewBarGraph, true);
    c_.ClearDisplay();
    v.Enabled(Act::mnuFileSaveAs, false);
    v.Enabled(Act::mnuFileReport, false);
    if (s.CfgDamaged) {
        // Said where the user looks; the file is kept as ".bad" before it is written again.
        c_.Faces().StatusText(s.CfgDamage);
    }
    s.Started = true;
}

void Lifecycle::Load() {
    Main();
    RestorePlacement();
    c_.View().Caption(kTitle);
    c_.State().BatteryGaugeLeft = 1150;
    for (Ctl l : {Ctl::LabMaxX, Ctl::LabMaxY, Ctl::LabMaxZ, Ctl::LabMaxXYZ}) {
        c_.View().Text(l, "0.0");
    }
}

void Lifecycle::LoadConfiguration() {
    WindowState& s = c_.State();
    const std::filesystem::path folder = c_.Platform().desktop.ProgramFolder();
    s.CfgPath = folder / std::string(kCfgFileName);
    CfgSettings cfg;
    const CfgLoadResult r = LoadCfg(s.CfgPath, cfg, SettingsApplier::PathText(folder));
    if (!r.Complete) {
        // The file is missing or damaged: ask for the port, keep what was read.
        cfg.CommPortNo = c_.Platform().dialogs.ChoosePort(cfg.CommPortNo);
    }
    s.CfgDamaged = r.Damaged;
    s.CfgDamage = r.Damage;
    c_.Settings().ToWindow(cfg);
}

void Lifecycle::SetUpGraphs() {
    WindowState& s = c_.State();
    DrawingSurface& picture1 = c_.View().Surface(Ctl::Picture1);
    c_.Graphs().SetUpGraphCls(picture1.ScaleWidth(), picture1.ScaleHeight(),
                              s.DisplayHorLinesFlag == 1);
    c_.Settings().ToGraphs(s.Cfg);
}

void Lifecycle::Unload(bool ask) {
    WindowState& s = c_.State();
    if (s.Unloaded) {
        return;
    }
    s.Unloaded = true;
    c_.HRTReadProbe().Enabled(false);
    c_.Platform().dialogs.UnloadAll();
    c_.Cycle().EndLaser();
    // Only the user's No leaves the laser on; a question left unanswered because the
    // program is ending switches it off, as an end without the question does.
    if (s.LaserState != kLaserOff &&
        (!ask || c_.Platform().prompts.MsgBox(kLaserQuestion, MsgIcon::Question, MsgButtons::YesNo,
                                              kLaserQuestionTitle) != MsgResult::No)) {
        const std::string off = fiber::Command(fiber::kCmdLaserOff);
        try {
            c_.Cycle().SendRaw(off);
        } catch (const std::exception&) {
            // The unit may be gone; the shutdown goes on regardless.
        }
        c_.Delay(100.0F);
        try {
            c_.Cycle().SendRaw(off);
        } catch (const std::exception&) {
        }
    }
    try {
        if (c_.Platform().link.IsOpen()) {
            c_.Platform().link.Close();
        }
    } catch (const std::exception&) {
    }
    SaveConfiguration();
    SavePlacement();
}

void Lifecycle::SaveConfiguration() {
    const WindowState& s = c_.State();
    const WriteResult w = SaveCfg(s.CfgPath, c_.Settings().Collect(), s.CfgDamaged);
    if (!w.Ok) {
        // Said before the program goes, so the user knows the settings were not kept.
        c_.Platform().prompts.MsgBox("The settings could not be saved to " + TextOfPath(s.CfgPath) +
                                         ": " + w.Error,
                                     MsgIcon::Exclamation, MsgButtons::Ok);
    }
}

void Lifecycle::RestorePlacement() {
    const SettingsStore& st = c_.Platform().store;
    auto get = [&st](const char* key, const char* fallback) {
        return Val(st.Get(kPlacementSection, key, fallback));
    };
    WindowPlacement p;
    p.Left = get("MainLeft", "1");
    p.Top = get("MainTop", "1");
    p.Width = get("MainWidth", "11535");
    p.Height = get("MainHeight", "7590");
    p.State = static_cast<int>(get("WindowState", "0"));
    c_.View().Placement(p);
}

void Lifecycle::SavePlacement() {
    SettingsStore& st = c_.Platform().store;
    const WindowPlacement p = c_.View().Placement();
    if (p.State == 1) {
        return;
    }
    if (p.State == 2) {
        st.Set(kPlacementSection, "WindowState", "2");
        return;
    }
    auto put = [&st](const char* key, double twips) {
        st.Set(kPlacementSection, key, GeneralNumber(static_cast<float>(twips)));
    };
    put("MainLeft", p.Left);
    put("MainTop", p.Top);
    put("MainWidth", p.Width);
    put("MainHeight", p.Height);
    st.Set(kPlacementSection, "WindowState", "0");
}

} // namespace vireon
