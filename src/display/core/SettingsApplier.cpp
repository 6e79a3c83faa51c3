#include "display/core/SettingsApplier.h"

#include "common/numfmt.h"
#include "graph/GraphScales.h"

#include <algorithm>

namespace vireon {

namespace {

std::string Utf8Of(const std::filesystem::path& p) {
    const std::u8string u = p.u8string();
    return {reinterpret_cast<const char*>(u.data()), u.size()};
}

// Strict UTF-8: well-formed sequences, no overlong forms or surrogates.
bool IsUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        const size_t len = b < 0x80             ? 1
                           : (b & 0xE0) == 0xC0 ? 2
                           : (b & 0xF0) == 0xE0 ? 3
                           : (b & 0xF8) == 0xF0 ? 4
                                                : 0;
        if (len == 0 || i + len > s.size() || (len == 2 && b < 0xC2)) {
            return false;
        }
        uint32_t cp = len == 1 ? b : b & (0x7F >> len);
        for (size_t k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
            return false;
        }
        i += len;
    }
    return true;
}

} // namespace

std::string SettingsApplier::PathText(const std::filesystem::path& p) {
    const std::string utf8 = Utf8Of(p);
    const std::string cp = Utf8ToCp1252(utf8);
    // A folder the code page cannot spell ("測定") keeps its UTF-8 bytes rather than "??".
    return Cp1252ToUtf8(cp) == utf8 ? cp : utf8;
}

std::filesystem::path SettingsApplier::PathOf(const std::string& text) {
    // What PathText wrote as UTF-8 is valid UTF-8; a Windows-1252 name with accents almost
    // never is.
    const std::string utf8 = IsUtf8(text) ? text : Cp1252ToUtf8(text);
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

void SettingsApplier::ToWindow(const CfgSettings& c) {
    s_.Cfg = c;
    s_.CommPortNo = c.CommPortNo;
    s_.BaudRatePreference = c.BaudRatePreference;
    s_.MaxSpeedFlag = c.MaxSpeedFlag ? -1 : 0;
    s_.Axis3Prefered = c.Axis3Prefered ? -1 : 0;
    s_.SampleRate = c.SampleRate;
    s_.BattTempUpdateInterval = c.BattTempUpdateInterval;
    s_.GITxtAverage = c.GITxtAverage;
    s_.GITDisplayUpdate = c.GITDisplayUpdate;
    s_.RthresEnabled = c.RthresEnabled;
    s_.ProbeUnits = c.ProbeUnits;
    s_.DefaultSavePath = PathOf(c.DefaultSavePath);
    s_.StatusBarOn = c.StatusBar;
    s_.AlarmEnable = c.AlarmEnable == 1 ? 1 : 0;
    s_.AlarmValue = c.AlarmValue;
    s_.TextColor = c.GraphTextColor;
    s_.BoxColor = c.BoxColor;
    s_.FormBackColor = c.FormBackColor;
    s_.MatchBarGraphToScatt = c.MatchBarGraphToScatt == 1 ? 1 : 0;
    s_.DisplayHorLinesFlag = c.DisplayHorLinesFlag == 2 ? 2 : 1;
    s_.MinAverText = c.MinAverText;
    s_.PeriodicInterval = c.PeriodicInterval;
    s_.PeriodicIntervalEnabled = c.PeriodicIntervalEnabled == 1 ? 1 : 0;
    s_.SaveFileName = c.SaveFileName;
    v_.Checked(Act::mnuProbe3AxisData, c.Axis3Prefered);
    v_.Checked(Act::mnuViewStatusBar, c.StatusBar);
    v_.StatusBarVisible(c.StatusBar);
    v_.Checked(Act::mnuViewExposure, c.ExposureFrame);
    v_.Checked(RangeEntry(0), c.AutoRangeOn == 1);
}

void SettingsApplier::ToObjects(const CfgSettings& c) {
    kd_.Averaging(static_cast<uint8_t>(std::clamp<int>(s_.GITxtAverage, 1, 50)));
    // A unit text the program does not know leaves the objects' units as they are.
    if (const auto code = UnitsCode(c.ProbeUnits)) {
        kd_.Units(static_cast<uint8_t>(*code));
        probe_.UnitsNo7300(static_cast<int16_t>(*code + 1));
        v_.Checked(*code == 0   ? Act::mnuProbeUnitsVPM
                   : *code == 1 ? Act::mnuProbeUnitsMWPCM
                                : Act::mnuProbeUnitsV2M2,
                   true);
    } else {
        s_.ProbeUnits = "V/m";
        v_.Checked(Act::mnuProbeUnitsVPM, true);
    }
    probe_.AutoRangeOn(c.AutoRangeOn);
    probe_.BaudRatePerfered(s_.BaudRatePreference);
    probe_.Average(s_.GITxtAverage);
    probe_.MultiplexPrefered(s_.Axis3Prefered != 0 ? 1 : 0);
    probe_.Average(s_.GITxtAverage);
    probe_.TypeNumb(0);
    probe_.LostComm(1);
    probe_.UseCelsiusTemp(c.UseCelsiusTemp);
    v_.Checked(probe_.UseCelsiusTemp() == 1 ? Act::mnuProbeTempCels : Act::mnuProbeTempFahr, true);
}

void SettingsApplier::ToGraphs(const CfgSettings& c) {
    graph_.BackGround(c.BackGround);
    graph_.GridLineColor(c.GridLineColor);
    graph_.MinLineColor(c.MinLineColor);
    graph_.LogScaleMinOn(c.LogScaleMinOn);
    graph_.SetChanLineColour(2, c.XYZaxisColor);
    graph_.SetChanLineColour(3, c.XaxisColor);
    graph_.SetChanLineColour(4, c.YaxisColor);
    graph_.SetChanLineColour(5, c.ZaxisColor);
    graph_.SetMark1(c.AlarmValue);
    for (Ctl p : {Ctl::Picture1, Ctl::Picture3}) {
        v_.Surface(p).BackColor(c.BoxColor);
        v_.Surface(p).ForeColor(c.GraphTextColor);
    }
    graph_.DisHorLines(s_.DisplayHorLinesFlag == 1 ? 1 : 0);
    const bool match = c.MatchBarGraphToScatt != 0;
    bar_.BarXYZColor(match ? c.XYZaxisColor : c.GraphTextColor);
    bar_.BarXColor(match ? c.XaxisColor : c.GraphTextColor);
    bar_.BarYColor(match ? c.YaxisColor : c.GraphTextColor);
    bar_.BarZColor(match ? c.ZaxisColor : c.GraphTextColor);
    for (Ctl box : {Ctl::ShaMain, Ctl::ShaExposure}) {
        v_.BackColor(box, c.BoxColor);
    }
    v_.BackgroundColor(c.FormBackColor);
    for (Ctl form : {Ctl::ShapeFormColor2, Ctl::ShapeFormColor3}) {
        v_.BackColor(form, c.FormBackColor);
    }
}

CfgSettings SettingsApplier::Collect() const {
    CfgSettings c = s_.Cfg;
    c.CommPortNo = s_.CommPortNo;
    c.BaudRatePreference = s_.BaudRatePreference;
    c.MaxSpeedFlag = s_.MaxSpeedFlag != 0;
    c.Axis3Prefered = v_.Checked(Act::mnuProbe3AxisData);
    c.SampleRate = s_.SampleRate;
    c.BattTempUpdateInterval = s_.BattTempUpdateInterval;
    c.GITxtAverage = s_.GITxtAverage;
    c.GITDisplayUpdate = s_.GITDisplayUpdate;
    c.RthresEnabled = s_.RthresEnabled;
    c.StatusBar = s_.StatusBarOn;
    c.ExposureFrame = v_.Checked(Act::mnuViewExposure);
    c.GraphScale = v_.Text(Ctl::CmbVerticalScale);
    c.DefSamPerDiv = s_.Graph.SamPerDiv;
    c.PlotComposite = s_.Graph.PlotComp == 1 ? 1 : 0;
    c.ProbeUnits = s_.ProbeUnits;
    c.DefaultSavePath = PathText(s_.DefaultSavePath);
    c.UseCelsiusTemp = probe_.UseCelsiusTemp();
    c.AutoRangeOn = probe_.AutoRangeOn();
    c.AlarmEnable = s_.AlarmEnable;
    c.AlarmValue = s_.AlarmValue;
    const GraphScaleRow* row = FindGraphScale(s_.Graph.AppliedScale);
    c.LogScale = row != nullptr && row->logarithmic ? 1 : 0;
    c.GraphScaleAuto = s_.Graph.AutoScale;
    c.DisplayHorLinesFlag = s_.DisplayHorLinesFlag;
    c.UpdateProbeBatt = v_.Checked(Act::mnuProbeUpdateProbeBatt);
    c.BackGround = graph_.BackGround();
    c.GridLineColor = graph_.GridLineColor();
    c.XYZaxisColor = graph_.GetChanLineColour(2);
    c.XaxisColor = graph_.GetChanLineColour(3);
    c.YaxisColor = graph_.GetChanLineColour(4);
    c.ZaxisColor = graph_.GetChanLineColour(5);
    c.GraphTextColor = s_.TextColor;
    c.BoxColor = s_.BoxColor;
    c.MatchBarGraphToScatt = s_.MatchBarGraphToScatt;
    c.FormBackColor = s_.FormBackColor;
    c.LogScaleMinOn = graph_.LogScaleMinOn();
    c.MinLineColor = graph_.MinLineColor();
    c.MinAverText = s_.MinAverText;
    c.SaveFileName = s_.SaveFileName;
    c.PeriodicInterval = s_.PeriodicInterval;
    c.PeriodicIntervalEnabled = s_.PeriodicIntervalEnabled;
    return c;
}

} // namespace vireon
