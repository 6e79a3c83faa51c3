#pragma once
// The main window's controls and menu entries as typed ids, with their names, captions, tool
// tips and menu tree. The window builds its widgets from these tables; the controllers name
// widgets only through the ids.

#include <cstdint>
#include <span>
#include <string_view>

namespace vireon {

// Controls of the client area, in creation order (later ones lie on top).
// clang-format off
#define VIREON_CONTROLS(X) \
    X(ShapeFormColor3) X(ShaMain) X(ShapeFormColor2) X(LabInString) X(LabXYZField) X(LabUnits) \
    X(LabXLab) X(LabXField) X(LabMaxX) X(LabXAxis) \
    X(LabYLab) X(LabYField) X(LabMaxY) X(LabYAxis) \
    X(LabZLab) X(LabZField) X(LabMaxZ) X(LabZAxis) \
    X(ShapeX) X(ShapeY) X(ShapeZ) X(LabPeak) X(LabMaxXYZ) X(LabRange) X(LabRangeText) \
    X(LabAxisRange0) X(LabAxisRange1) X(LabAxisRange2) X(LabAxisRange3) X(LabAxisRange4) \
    X(LabAxisRange5) X(LabAxisRange6) X(LabAxisRange7) X(LabAxisRange8) X(LabAxisRange9) \
    X(LabAxisRange10) X(LabAxisRange11) X(LabAxisRange12) \
    X(LabOverRange) X(LabUnderRange) X(LabBattery) X(ShapeBatBackground) X(ShapeBatTip) \
    X(ShapeBatLevel) \
    X(LabTempLab) X(LabTemp) X(LabLaserCurLab) X(LabLaserCur) X(LabLasTempLab) X(LabLasTemp) \
    X(LabConVoltLab) X(LabConVolt) X(LabSamSecLab) X(LabSamRate) \
    X(LabRecord) X(ShapeRecordInd) X(LabRecordCntLab) X(LabRecordCnt) X(ShaExposure) \
    X(LabExposure1) X(LabMinAver) X(LabExposure) X(LabElasedTime) \
    X(CmdStart) X(CmdOff) X(ProgressBar1) X(CmbSampleRate) X(cmbSamPerDiv) X(CmbVerticalScale) \
    X(Picture3) X(Picture1) X(LstHeader)
// clang-format on

#define VIREON_ID(name) name,
enum class Ctl : uint8_t { VIREON_CONTROLS(VIREON_ID) Count };

// Menu entries (submenus included) and tool bar buttons.
// clang-format off
#define VIREON_ACTIONS(X) \
    X(mnuFile) X(mnuFileOpen) X(mnuFileSaveAs) X(mnuFileReport) X(mnuFileExit) \
    X(mnuView) X(mnuViewToolbar) X(mnuViewStatusBar) X(mnuViewExposure) X(mnuViewBarGraph) \
    X(mnuViewScatterGraph) X(mnuViewScatterLive) X(mnuViewHeaderNotes) X(mnuViewOptions) \
    X(mnuProbe) X(mnuProbeRecord) X(mnuProbeRecordPause) X(mnuProbePlay) X(mnuProbeZero) \
    X(mnuProbeUnits7300) X(mnuProbeUnitsVPM) X(mnuProbeUnitsV2M2) X(mnuProbeUnitsMWPCM) \
    X(mnuProbeUnits52xx) X(mnuProbeUnitsOld0) X(mnuProbeUnitsOld1) X(mnuProbeUnitsOld2) \
    X(mnuProbePlotComposite) X(mnuProbeClearPeak) \
    X(mnuProbeUpdateNow) X(mnuProbeUpdateProbeBatt) X(mnuProbeUpdateoff) X(mnuProbeUpdate5) \
    X(mnuProbeUpdate30) X(mnuProbeUpdate60) \
    X(mnuprobeTempUnits) X(mnuProbeTempFahr) X(mnuProbeTempCels) \
    X(mnuprobeAlarm) X(mnuprobeAlarmSet) X(mnuProbe3AxisData) \
    X(mnuProbeRangeTop) X(mnuProbeRange0) X(mnuProbeRange1) X(mnuProbeRange2) X(mnuProbeRange3) \
    X(mnuProbeRange4) X(mnuProbeRange5) \
    X(mnucomm) \
    X(mnucommcomm1) X(mnucommcomm2) X(mnucommcomm3) X(mnucommcomm4) X(mnucommcomm5) \
    X(mnucommcomm6) X(mnucommcomm7) X(mnucommcomm8) X(mnucommcomm9) X(mnucommcomm10) \
    X(mnucommcomm11) X(mnucommcomm12) X(mnucommcomm13) X(mnucommcomm14) X(mnucommcomm15) \
    X(mnucommcomm16) X(mnucommcomm17) X(mnucommcomm18) X(mnucommcomm19) X(mnucommcomm20) \
    X(mnucommcomm21) X(mnucommcomm22) X(mnucommcomm23) X(mnucommcomm24) X(mnuListPorts) \
    X(mnuCommBaud0) X(mnuCommBaud1) X(mnuCommBaud2) X(mnuCommBaud3) X(mnuCommBaud4) \
    X(mnuCommARProbe) X(mnuCommASCII) X(mnuCommARM) \
    X(mnuHelp) X(mnuHelpAbout) \
    X(tbOpen) X(tbSave) X(tbProperties) X(tbScatter) X(tbBarGraph) X(tbZoomIn) X(tbZoomOut) \
    X(tbRecord) X(tbRecordPause)
// clang-format on

enum class Act : uint8_t { VIREON_ACTIONS(VIREON_ID) Count };
#undef VIREON_ID

inline constexpr size_t kCtlCount = static_cast<size_t>(Ctl::Count);
inline constexpr size_t kActCount = static_cast<size_t>(Act::Count);

// Control arrays: `LabAxisRange`(0..12), `mnucommcomm`(1..24), `mnuCommBaud`(0..4),
// `mnuProbeRange`(0..5), `mnuProbeUnitsOld`(0..2).
constexpr Ctl LabAxisRange(int i) {
    return static_cast<Ctl>(static_cast<int>(Ctl::LabAxisRange0) + i);
}
constexpr Act CommEntry(int n) {
    return static_cast<Act>(static_cast<int>(Act::mnucommcomm1) + n - 1);
}
constexpr Act BaudEntry(int i) {
    return static_cast<Act>(static_cast<int>(Act::mnuCommBaud0) + i);
}
constexpr Act RangeEntry(int i) {
    return static_cast<Act>(static_cast<int>(Act::mnuProbeRange0) + i);
}
// Index of an entry within its array, or -1.
int CommEntryIndex(Act a);
int RangeEntryIndex(Act a);

enum class CtlKind : uint8_t { Label, Shape, Button, Progress, Combo, Picture, List };
enum class CtlFont : uint8_t { Normal, Mid, Big };
enum class CtlAlign : uint8_t { Left, Right, Center };

struct ControlInfo {
    Ctl id;
    CtlKind kind;
    std::string_view name;
    std::string_view caption; // Windows-1252
    std::string_view tip;
    CtlFont font = CtlFont::Normal;
    CtlAlign align = CtlAlign::Left;
    int32_t color = -1; // text colour of a label, fill of a shape; -1: the readout colour
    bool visible = true;
};

enum class MenuKind : uint8_t { Top, Sub, End, Item, Check, Separator, Button };

// The menu tree in order: Top and Sub open a menu that the next End closes; Button entries
// are the tool bar's, in order, with Separator between groups.
struct MenuEntry {
    MenuKind kind;
    Act id;
    std::string_view name;
    std::string_view caption;
};

std::span<const ControlInfo> ControlTable();
// What a screen reader calls a control: a readout by what it measures, others by their tool
// tip or caption.
std::string_view AccessibleName(Ctl c);
const ControlInfo& Info(Ctl c);
std::span<const MenuEntry> MenuTable();
std::span<const MenuEntry> ToolBarTable();
std::string_view Name(Act a);

} // namespace vireon
