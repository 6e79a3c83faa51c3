#include "display/core/Controls.h"

#include "graph/DrawingSurface.h"

#include <array>

namespace vireon {

namespace {

using K = CtlKind;
using F = CtlFont;
using A = CtlAlign;
constexpr int32_t kYellow = RGB(255, 255, 0);
constexpr int32_t kPanel = RGB(198, 189, 160);
constexpr int32_t kNavy = RGB(0, 0, 64);
constexpr int32_t kGauge = RGB(64, 64, 64);

#define L(id, caption, ...)                                                                        \
    ControlInfo {                                                                                  \
        Ctl::id, K::Label, #id, caption, __VA_ARGS__                                               \
    }
#define S(id, color, ...)                                                                          \
    ControlInfo {                                                                                  \
        Ctl::id, K::Shape, #id, "", "", F::Normal, A::Left, color, __VA_ARGS__                     \
    }

constexpr ControlInfo kControls[] = {
    S(ShapeFormColor3, kPanel),
    S(ShaMain, kNavy),
    S(ShapeFormColor2, kPanel),
    L(LabInString, "Turn probe on now", "", F::Normal, A::Left, kYellow),
    L(LabXYZField, "No Probe", "", F::Big, A::Right),
    L(LabUnits, "units", "Click to change units", F::Mid),
    L(LabXLab, "X", "", F::Mid),
    L(LabXField, "", "", F::Mid, A::Right),
    L(LabMaxX, "MaxX", ""),
    L(LabXAxis, "X", "Click to toggle X axis"),
    L(LabYLab, "Y", "", F::Mid),
    L(LabYField, "", "", F::Mid, A::Right),
    L(LabMaxY, "MaxY", ""),
    L(LabYAxis, "Y", "Click to toggle Y axis"),
    L(LabZLab, "Z", "", F::Mid),
    L(LabZField, "", "", F::Mid, A::Right),
    L(LabMaxZ, "MaxZ", ""),
    L(LabZAxis, "Z", "Click to toggle Z axis"),
    S(ShapeX, RGB(0, 255, 0)),
    S(ShapeY, RGB(255, 0, 255)),
    S(ShapeZ, kYellow),
    L(LabPeak, "Peak", "Click to clear peak"),
    L(LabMaxXYZ, "MaxXYZ", ""),
    L(LabRange, "Auto", "Click to toggle Manual / Auto"),
    L(LabRangeText, "Range", "Click for next range"),
    L(LabAxisRange0, "5", "", F::Normal, A::Center),
    L(LabAxisRange1, "1", "", F::Normal, A::Center),
    L(LabAxisRange2, "2", "", F::Normal, A::Center),
    L(LabAxisRange3, "3", "", F::Normal, A::Center),
    L(LabAxisRange4, "4", "", F::Normal, A::Center),
    L(LabAxisRange5, "1", "", F::Normal, A::Center),
    L(LabAxisRange6, "2", "", F::Normal, A::Center),
    L(LabAxisRange7, "3", "", F::Normal, A::Center),
    L(LabAxisRange8, "4", "", F::Normal, A::Center),
    L(LabAxisRange9, "1", "", F::Normal, A::Center),
    L(LabAxisRange10, "2", "", F::Normal, A::Center),
    L(LabAxisRange11, "3", "", F::Normal, A::Center),
    L(LabAxisRange12, "4", "", F::Normal, A::Center),
    L(LabOverRange, "Over Range", "", F::Normal, A::Left, RGB(255, 0, 0)),
    L(LabUnderRange, "Under Range", "", F::Normal, A::Left, kYellow),
    L(LabBattery, "", ""),
    S(ShapeBatBackground, kGauge),
    S(ShapeBatTip, kGauge),
    S(ShapeBatLevel, RGB(0, 255, 255)),
    L(LabTempLab, "Prb Tem", "Click to update batt - temp"),
    L(LabTemp, "", ""),
    L(LabLaserCurLab, "Las Cur", ""),
    L(LabLaserCur, "", ""),
    L(LabLasTempLab, "Las Tem", ""),
    L(LabLasTemp, "", ""),
    L(LabConVoltLab, "Con Volt Cur", ""),
    L(LabConVolt, "", ""),
    L(LabSamSecLab, "Sam / Sec", ""),
    L(LabSamRate, "", ""),
    L(LabRecord, "Log", "Click to toggle log"),
    ControlInfo{Ctl::ShapeRecordInd, K::Shape, "ShapeRecordInd", "", "Click to toggle log",
                F::Normal, A::Left, RGB(128, 128, 128)},
    L(LabRecordCntLab, "Log Cnt", "Click to erase data"),
    L(LabRecordCnt, "0", "Click to erase data"),
    S(ShaExposure, kNavy, false),
    L(LabExposure1, "Moving Average", "", F::Normal, A::Left, -1, false),
    L(LabMinAver, "6 Minute", "", F::Normal, A::Left, -1, false),
    L(LabExposure, " Exposure:", "", F::Normal, A::Left, -1, false),
    L(LabElasedTime, "", "", F::Normal, A::Left, -1, false),
    ControlInfo{Ctl::CmdStart, K::Button, "CmdStart", "Start", ""},
    ControlInfo{Ctl::CmdOff, K::Button, "CmdOff", "Off", ""},
    ControlInfo{Ctl::ProgressBar1, K::Progress, "ProgressBar1", "", "", F::Normal, A::Left, -1,
                false},
    ControlInfo{Ctl::CmbSampleRate, K::Combo, "CmbSampleRate", "", "Sample Rate"},
    ControlInfo{Ctl::cmbSamPerDiv, K::Combo, "cmbSamPerDiv", "", "Samples Per Divison"},
    ControlInfo{Ctl::CmbVerticalScale, K::Combo, "CmbVerticalScale", "", "Vertical Scale"},
    ControlInfo{Ctl::Picture3, K::Picture, "Picture3", "", "Click to clear peak."},
    ControlInfo{Ctl::Picture1, K::Picture, "Picture1", "", ""},
    ControlInfo{Ctl::LstHeader, K::List, "LstHeader", "", "", F::Normal, A::Left, -1, false},
};
#undef L
#undef S

constexpr bool InIdOrder() {
    for (size_t i = 0; i < std::size(kControls); ++i) {
        if (static_cast<size_t>(kControls[i].id) != i) {
            return false;
        }
    }
    return std::size(kControls) == kCtlCount;
}
static_assert(InIdOrder(), "the control table follows the id order");

using M = MenuKind;
#define T(id, caption)                                                                             \
    MenuEntry {                                                                                    \
        M::Top, Act::id, #id, caption                                                              \
    }
#define U(id, caption)                                                                             \
    MenuEntry {                                                                                    \
        M::Sub, Act::id, #id, caption                                                              \
    }
#define I(id, caption)                                                                             \
    MenuEntry {                                                                                    \
        M::Item, Act::id, #id, caption                                                             \
    }
#define C(id, caption)                                                                             \
    MenuEntry {                                                                                    \
        M::Check, Act::id, #id, caption                                                            \
    }
#define B(id, tip)                                                                                 \
    MenuEntry {                                                                                    \
        M::Button, Act::id, #id, tip                                                               \
    }
constexpr MenuEntry kEnd{M::End, Act::Count, "", ""};
constexpr MenuEntry kSep{M::Separator, Act::Count, "", ""};

constexpr MenuEntry kMenus[] = {
    T(mnuFile, "&File"),
    I(mnuFileOpen, "&Open..."),
    I(mnuFileSaveAs, "&Save as..."),
    I(mnuFileReport, "&Report..."),
    kSep,
    I(mnuFileExit, "E&xit"),
    kEnd,

    T(mnuView, "&View"),
    C(mnuViewToolbar, "&Toolbar"),
    C(mnuViewStatusBar, "Status &Bar"),
    C(mnuViewExposure, "Moving Average (Human &Exposure)"),
    C(mnuViewBarGraph, "B&ar Graph"),
    C(mnuViewScatterGraph, "&Scatter Graph"),
    C(mnuViewScatterLive, "Scatter Graph &Live"),
    C(mnuViewHeaderNotes, "Header Notes"),
    kSep,
    I(mnuViewOptions, "&Options..."),
    kEnd,

    T(mnuProbe, "&Probe"),
    C(mnuProbeRecord, "&Log Data"),
    C(mnuProbeRecordPause, "L&og Pause"),
    I(mnuProbePlay, "P&lay"),
    kSep,
    I(mnuProbeZero, "&Zero"),
    U(mnuProbeUnits7300, "&Units"),
    C(mnuProbeUnitsVPM, "&V/m"),
    C(mnuProbeUnitsV2M2, "V2/m&2"),
    C(mnuProbeUnitsMWPCM, "m&W/cm2"),
    kEnd,
    U(mnuProbeUnits52xx, "&Units"),
    C(mnuProbeUnitsOld0, "Unit 1"),
    C(mnuProbeUnitsOld1, "Unit 2"),
    C(mnuProbeUnitsOld2, "Unit 3"),
    kEnd,
    kSep,
    C(mnuProbePlotComposite, "Plot Total Field &Strength"),
    I(mnuProbeClearPeak, "Clear &Peak"),
    kSep,
    I(mnuProbeUpdateNow, "Update &Battery / Temperature"),
    U(mnuProbeUpdateProbeBatt, "Auto Update &Interval"),
    C(mnuProbeUpdateoff, "&Off"),
    kSep,
    C(mnuProbeUpdate5, "&1 Second"),
    C(mnuProbeUpdate30, "1&0 Seconds"),
    C(mnuProbeUpdate60, "&30 Seconds"),
    kEnd,
    U(mnuprobeTempUnits, "&Temperature Units"),
    C(mnuProbeTempFahr, "&Fahrenheit"),
    C(mnuProbeTempCels, "&Celsius"),
    kEnd,
    kSep,
    C(mnuprobeAlarm, "&Alarm Enable"),
    I(mnuprobeAlarmSet, "Set Alarm &Value ..."),
    kSep,
    C(mnuProbe3AxisData, "&3 Axis Data (Slower)"),
    U(mnuProbeRangeTop, "Ran&ge"),
    C(mnuProbeRange0, "&Auto Range"),
    C(mnuProbeRange1, "Range &1"),
    C(mnuProbeRange2, "Range &2"),
    C(mnuProbeRange3, "Range &3"),
    C(mnuProbeRange4, "Range &4"),
    C(mnuProbeRange5, "Range &5"),
    kEnd,
    kEnd,

    T(mnucomm, "&Communications"),
    C(mnucommcomm1, "Comm &1"),
    C(mnucommcomm2, "Comm &2"),
    C(mnucommcomm3, "Comm &3"),
    C(mnucommcomm4, "Comm &4"),
    C(mnucommcomm5, "Comm &5"),
    C(mnucommcomm6, "Comm &6"),
    C(mnucommcomm7, "Comm &7"),
    C(mnucommcomm8, "Comm &8"),
    C(mnucommcomm9, "Comm &9"),
    C(mnucommcomm10, "Comm &10"),
    C(mnucommcomm11, "Comm &11"),
    C(mnucommcomm12, "Comm &12"),
    C(mnucommcomm13, "Comm &13"),
    C(mnucommcomm14, "Comm &14"),
    C(mnucommcomm15, "Comm &15"),
    C(mnucommcomm16, "Comm &16"),
    C(mnucommcomm17, "Comm &17"),
    C(mnucommcomm18, "Comm &18"),
    C(mnucommcomm19, "Comm &19"),
    C(mnucommcomm20, "Comm &20"),
    C(mnucommcomm21, "Comm &21"),
    C(mnucommcomm22, "Comm &22"),
    C(mnucommcomm23, "Comm &23"),
    C(mnucommcomm24, "Comm &24"),
    kSep,
    I(mnuListPorts, "Refresh Available Ports"),
    kSep,
    C(mnuCommBaud0, "9&600 Baud"),
    C(mnuCommBaud1, "1&9.2 kBaud"),
    C(mnuCommBaud2, "&38.4 kBaud"),
    C(mnuCommBaud3, "&57.6 kBaud"),
    C(mnuCommBaud4, "&115.2 kBaud"),
    kSep,
    C(mnuCommARProbe, "Alternate Remote Probe"),
    I(mnuCommASCII, "Set to ASCII"),
    I(mnuCommARM, "Set to Alternate Remote"),
    kEnd,

    T(mnuHelp, "&Help"),
    I(mnuHelpAbout, "&About "),
    kEnd,
};

constexpr MenuEntry kToolBar[] = {
    B(tbOpen, "Open"),
    B(tbSave, "Save"),
    kSep,
    B(tbProperties, "Options"),
    kSep,
    B(tbScatter, "Scatter Graph Live"),
    B(tbBarGraph, "Bar Graph"),
    kSep,
    B(tbZoomIn, "Zoom In"),
    B(tbZoomOut, "Zoom Out"),
    kSep,
    B(tbRecord, "Log (On / Off)"),
    B(tbRecordPause, "Log Pause"),
};
#undef T
#undef U
#undef I
#undef C
#undef B

struct ActNames {
    std::array<std::string_view, kActCount> names{};
    constexpr ActNames() {
        for (const MenuEntry& m : kMenus) {
            if (m.id != Act::Count) {
                names[static_cast<size_t>(m.id)] = m.name;
            }
        }
        for (const MenuEntry& m : kToolBar) {
            if (m.id != Act::Count) {
                names[static_cast<size_t>(m.id)] = m.name;
            }
        }
    }
};
constexpr ActNames kActNames;

constexpr bool EveryActionNamed() {
    for (std::string_view n : kActNames.names) {
        if (n.empty()) {
            return false;
        }
    }
    return true;
}
static_assert(EveryActionNamed(), "every action appears in the menu tree or the tool bar");

} // namespace

int CommEntryIndex(Act a) {
    const int i = static_cast<int>(a) - static_cast<int>(Act::mnucommcomm1) + 1;
    return i >= 1 && i <= 24 ? i : -1;
}

int RangeEntryIndex(Act a) {
    const int i = static_cast<int>(a) - static_cast<int>(Act::mnuProbeRange0);
    return i >= 0 && i <= 5 ? i : -1;
}

std::string_view AccessibleName(Ctl c) {
    switch (c) {
    case Ctl::LabXYZField:
        return "Total field";
    case Ctl::LabXField:
        return "X axis field";
    case Ctl::LabYField:
        return "Y axis field";
    case Ctl::LabZField:
        return "Z axis field";
    case Ctl::LabMaxXYZ:
        return "Peak total field";
    case Ctl::LabMaxX:
        return "Peak X axis field";
    case Ctl::LabMaxY:
        return "Peak Y axis field";
    case Ctl::LabMaxZ:
        return "Peak Z axis field";
    case Ctl::LabUnits:
        return "Units";
    case Ctl::LabBattery:
        return "Battery";
    case Ctl::LabTemp:
        return "Probe temperature";
    case Ctl::LabLaserCur:
        return "Laser current";
    case Ctl::LabLasTemp:
        return "Laser temperature";
    case Ctl::LabConVolt:
        return "Converter voltage";
    case Ctl::LabSamRate:
        return "Samples per second";
    case Ctl::LabRecordCnt:
        return "Log count";
    case Ctl::LabElasedTime:
        return "Moving average elapsed time";
    case Ctl::LabExposure:
        return "Moving average exposure";
    case Ctl::Picture1:
        return "Time graph";
    case Ctl::Picture3:
        return "Bar graph";
    case Ctl::LstHeader:
        return "Header notes";
    case Ctl::ShapeBatLevel:
        return "Battery gauge";
    default:
        break;
    }
    const ControlInfo& s = Info(c);
    return !s.tip.empty() ? s.tip : !s.caption.empty() ? s.caption : s.name;
}

std::span<const ControlInfo> ControlTable() {
    return kControls;
}

const ControlInfo& Info(Ctl c) {
    return kControls[static_cast<size_t>(c)];
}

std::span<const MenuEntry> MenuTable() {
    return kMenus;
}

std::span<const MenuEntry> ToolBarTable() {
    return kToolBar;
}

std::string_view Name(Act a) {
    return kActNames.names[static_cast<size_t>(a)];
}

} // namespace vireon
