#include "display/core/Readouts.h"

#include "common/numfmt.h"
#include "files/ConfigFile.h"

namespace vireon {

namespace {
constexpr int32_t kRed = RGB(255, 0, 0);
constexpr int32_t kYellow = RGB(255, 255, 0);
constexpr int32_t kCyan = RGB(0, 255, 255);
constexpr int32_t kGrey = RGB(128, 128, 128);
constexpr int32_t kLightGrey = RGB(192, 192, 192);

struct UnitRow {
    const char* units;
    Act entry;
    uint8_t fiberCode;
};
constexpr UnitRow kUnits[] = {{"V/m", Act::mnuProbeUnitsVPM, 0},
                              {"V2/m2", Act::mnuProbeUnitsV2M2, 2},
                              {"mW/cm2", Act::mnuProbeUnitsMWPCM, 1}};
} // namespace

bool Readouts::Logging() const {
    return s_.RecordOn != 0 || minAve_.Enabled();
}

std::string Readouts::UnitsCaption(const std::string& units) {
    if (units == "V2/m2") {
        return std::string("(V/m)") + kSuperscriptTwo;
    }
    if (units == "mW/cm2") {
        return std::string("mW/cm") + kSuperscriptTwo;
    }
    return "V/m";
}

std::string Readouts::PeakText(double value, bool milliwattsPerCm2) {
    return milliwattsPerCm2 ? FormatNumber(value, "0.000000").substr(0, 8)
                            : clsProbe::AdjustStrLen(value);
}

float Readouts::InUnitsShown(float vpm) const {
    return Cls7300::ConvertUnit(Cls7300::kVoltsPerMetre, kd_.Units(), vpm);
}

void Readouts::LabUnitsClick() {
    if (probe_.GetModel() == "KD-1902" || probe_.TypeNumb() == 3) {
        return;
    }
    if (Logging()) {
        face_.StatusText(kNotDuringLogging);
        return;
    }
    if (probe_.TypeNumb() == 1) {
        const std::string& u = s_.ProbeUnits;
        ChangeUnits(u == "V/m" ? "V2/m2" : u == "V2/m2" ? "mW/cm2" : "V/m");
    } else {
        probe_.SetNextCmnd("UN\r");
    }
}

void Readouts::ChangeUnits(const std::string& units) {
    if (Logging()) {
        face_.StatusText(kNotDuringLogging);
        return;
    }
    s_.Graph.SweepPos = 0;
    const UnitRow* row = nullptr;
    for (const UnitRow& r : kUnits) {
        if (units == r.units) {
            row = &r;
        }
    }
    if (row == nullptr) {
        notices_.Show("Typo in case select");
        row = &kUnits[2];
    }
    s_.ProbeUnits = row->units;
    v_.Text(Ctl::LabUnits, UnitsCaption(row->units));
    for (const UnitRow& r : kUnits) {
        v_.Checked(r.entry, &r == row);
    }
    kd_.Units(row->fiberCode);
    probe_.UnitsNo7300(static_cast<int16_t>(row->fiberCode + 1));
    setup_.LimitGraphSetting();
    bar_.ClearPeak();
    graph_.OverRangeVal(probe_.GetOverRangeVal());
    graph_.UnderRangeVal(probe_.GetUnderRangeVal());
    ScaleAfterChange();
    s_.RefreshProbeFlag = 1;
}

void Readouts::ScaleAfterChange() {
    if (setup_.SetUpGraphScale().value_or(0) == 1) {
        setup_.DrawGraph();
        setup_.SetUpBarGraph();
    }
}

void Readouts::Units52xx(int index) {
    if (play_.Enabled()) {
        return;
    }
    probe_.SetNextCmnd("U" + std::to_string(index + 1) + "\r");
}

void Readouts::ChangeTextColor(int32_t color) {
    s_.TextColor = color;
    for (Ctl c : {Ctl::LabXYZField, Ctl::LabXField, Ctl::LabYField, Ctl::LabZField,
                  Ctl::LabRecordCnt, Ctl::LabUnits, Ctl::LabRange, Ctl::LabSamRate, Ctl::LabTemp,
                  Ctl::LabBattery, Ctl::LabMaxX, Ctl::LabMaxY, Ctl::LabMaxZ, Ctl::LabMaxXYZ,
                  Ctl::LabMinAver, Ctl::LabElasedTime, Ctl::LabExposure}) {
        v_.ForeColor(c, color);
    }
    v_.Surface(Ctl::Picture3).ForeColor(color);
    // An axis switched off stays grey.
    UpDateAxis();
}

void Readouts::RangeGraphValues() {
    graph_.OverRangeVal(probe_.GetOverRangeVal());
    graph_.UnderRangeVal(probe_.GetUnderRangeVal());
    graph_.DisplayProbeRange();
    graph_.DisplayMark();
}

void Readouts::LabRangeClick() {
    const std::string& model = probe_.GetModel();
    if (model == "KD-1836" || (model == "KD-1902" && probe_.Range() == 0)) {
        probe_.SetNextCmnd("RN\r");
        return;
    }
    if (probe_.AutoRangeOn() >= 1) {
        probe_.AutoRangeOn(0);
        v_.Text(Ctl::LabRange, "Manual");
        v_.Checked(RangeEntry(0), false);
        if (probe_.MultiplexOn() != 0) {
            graph_.EraseProbeRange();
            graph_.DisplayMark();
        } else {
            RangeGraphValues();
        }
    } else {
        probe_.AutoRangeOn(1);
        v_.Text(Ctl::LabRange, "Auto");
        v_.Checked(RangeEntry(0), true);
        for (int i = 1; i <= 5; ++i) {
            v_.Checked(RangeEntry(i), false);
        }
    }
}

void Readouts::LabRangeTextClick() {
    if (probe_.AutoRangeOn() >= 1 || probe_.MultiplexOn() != 0) {
        notices_.Show("This label is active when Vireon II is in manual ranging with "
                      "3-Axis-Data disabled. Click the numbers below to change ranges.",
                      MsgIcon::Information);
        return;
    }
    probe_.SetNextCmnd("RN\r");
}

void Readouts::LabAxisRangeClick(int index) {
    if (index < 1 || index > 12) {
        return;
    }
    if (probe_.AutoRangeOn() >= 1) {
        notices_.Show("These range controls are only active when probe is in manual ranging.",
                      MsgIcon::Information);
        return;
    }
    const auto axis = static_cast<int16_t>((index - 1) / 4 + 1);
    const auto range = static_cast<int16_t>((index - 1) % 4 + 1);
    if (axis == 1 && probe_.MultiplexOn() == 0) {
        probe_.SetNextCmnd("R" + std::to_string(range) + "\r");
    } else {
        probe_.SetAxisRange(axis, range);
    }
}

void Readouts::RangeMenu(int index) {
    for (int i = 0; i <= 5; ++i) {
        v_.Checked(RangeEntry(i), i == index);
    }
    if (index >= 1) {
        probe_.SetNextCmnd("R" + std::to_string(index) + "\r");
        probe_.AutoRangeOn(0);
    } else {
        probe_.AutoRangeOn(1);
        v_.Text(Ctl::LabRange, "Auto ");
        RangeGraphValues();
    }
    ScaleAfterChange();
}

void Readouts::UpdateRangeIndicator() {
    const int axis = std::max<int>(1, probe_.GetMultiCurrAxis());
    const int range = probe_.Range();
    if (axis > 3 || range < 1 || range > 4) {
        return; // range 5 and others have no number in the grid
    }
    const int index = (axis - 1) * 4 + range;
    const int32_t color = probe_.OverRangeFlag() == 1                  ? kRed
                          : probe_.UnderRangeFlag() == 1 && range >= 2 ? kYellow
                                                                       : kCyan;
    v_.ForeColor(LabAxisRange(index), color);
    int& lit = lit_[static_cast<size_t>(axis)];
    if (lit != index && lit != 0) {
        v_.ForeColor(LabAxisRange(lit), kGrey);
    }
    lit = index;
}

void Readouts::LabAxisClick(int axis) {
    probe_.ToggleAxis(static_cast<int16_t>(axis - 1));
}

void Readouts::UpDateAxis() {
    const std::string& axes = probe_.GetAxisStr();
    const Ctl labels[] = {Ctl::LabXAxis, Ctl::LabYAxis, Ctl::LabZAxis};
    for (size_t i = 0; i < 3; ++i) {
        const bool on = axes.size() > i + 1 && axes[i + 1] == 'E';
        v_.ForeColor(labels[i], on ? s_.TextColor : kLightGrey);
    }
}

void Readouts::SetXYZLabVisible() {
    if (probe_.GetMultiplexAvail() == 0) {
        for (Ctl c : {Ctl::LabXAxis, Ctl::LabYAxis, Ctl::LabZAxis}) {
            v_.Visible(c, false);
        }
    } else if (probe_.TypeNumb() == 2) {
        for (Ctl c : {Ctl::LabXAxis, Ctl::LabYAxis, Ctl::LabZAxis}) {
            v_.Visible(c, true);
        }
    }
}

std::string Readouts::AllAxisDisplayed() {
    const bool on = probe_.MultiplexOn() != 0;
    for (Ctl c :
         {Ctl::LabXLab, Ctl::LabYLab, Ctl::LabZLab, Ctl::LabMaxX, Ctl::LabMaxY, Ctl::LabMaxZ,
          Ctl::ShapeX, Ctl::ShapeY, Ctl::ShapeZ, Ctl::LabXField, Ctl::LabYField, Ctl::LabZField}) {
        v_.Visible(c, on);
    }
    if (!on) {
        bar_.DrawBarX(0);
        bar_.DrawBarY(0);
        bar_.DrawBarZ(0);
    }
    return on ? "True" : "False";
}

void Readouts::Menu3AxisData() {
    const bool on = s_.Axis3Prefered == 0;
    s_.Axis3Prefered = on ? -1 : 0;
    v_.Checked(Act::mnuProbe3AxisData, on);
    probe_.MultiplexPrefered(on ? 1 : 0);
    AllAxisDisplayed();
    for (int i = 5; i <= 12; ++i) {
        v_.Visible(LabAxisRange(i), on);
    }
    if (on) {
        probe_.SetNextCmnd("AEEE\r");
        UpDateAxis();
        if (probe_.TypeNumb() == 2) {
            probe_.SetModelDefaults();
        }
    }
}

void Readouts::ChangeDisplay(const std::function<void()>& setUp7300) {
    const bool fiber = s_.FiberProbe == 1;
    s_.DisplayMode = fiber ? 1 : 0;
    if (fiber) {
        SetXYZLabVisible();
        setUp7300();
        AllAxisDisplayed();
    } else {
        AllAxisDisplayed();
        SetXYZLabVisible();
    }
    const bool other = !fiber;
    v_.Visible(Ctl::LabRange, other);
    v_.Enabled(Act::mnuProbe3AxisData, other && probe_.GetMultiplexAvail() == 1);
    v_.Visible(Act::mnuProbeUnits52xx, other);
    v_.Enabled(Act::mnuProbeUnits52xx, other);
    v_.Enabled(Act::mnuProbeRangeTop, other);
    v_.Visible(Act::mnuProbeRangeTop, other);
    v_.Enabled(BaudEntry(1), fiber);
    v_.Visible(Act::mnuProbeUnits7300, fiber);
    v_.Enabled(Act::mnuProbeUnits7300, fiber && !Logging());
    for (Ctl c : {Ctl::LabXAxis, Ctl::LabYAxis, Ctl::LabZAxis}) {
        v_.Visible(c, other);
    }
    for (Act a : {Act::mnuCommASCII, Act::mnuCommARM, Act::mnuCommARProbe}) {
        v_.Enabled(a, other);
    }
    face_.AdjustPicture3();
}

void Readouts::ShowPeakTexts() {
    // The peak labels say so at once, not at the next reading (there may be none).
    const std::string zero = PeakText(0, s_.ProbeUnits == "mW/cm2");
    for (Ctl c : {Ctl::LabMaxXYZ, Ctl::LabMaxX, Ctl::LabMaxY, Ctl::LabMaxZ}) {
        v_.Text(c, zero);
    }
}

void Readouts::ClearPeaks(bool playbackToo) {
    if (s_.RecordOn != 0) {
        return;
    }
    kd_.ClearMaxHold();
    probe_.ClearMaxHold();
    bar_.ClearPeak();
    if (playbackToo && ClearPlaybackPeaks) {
        ClearPlaybackPeaks();
    }
    ShowPeakTexts();
}

void Readouts::Zero() {
    if (probe_.TypeNumb() != 1) {
        probe_.SetNextCmnd("Z\r");
        return;
    }
    if (s_.ZeroCaption != "Clear &Zero") {
        kd_.SetRef();
        s_.ZeroCaption = "Clear &Zero";
    } else {
        kd_.ClearRef();
        s_.ZeroCaption = "&Zero";
    }
    v_.Caption(Act::mnuProbeZero, s_.ZeroCaption);
}

void Readouts::ProcessProbeFlags(int16_t flags) {
    if ((flags & clsProbe::kConfigChanged) != 0) {
        ChangeDisplay([] {});
    }
    if ((flags & clsProbe::kAxisChanged) != 0) {
        UpDateAxis();
    }
    if ((flags & clsProbe::kUnitsChanged) != 0) {
        v_.Visible(Ctl::LabUnits, true);
        v_.Text(Ctl::LabUnits, probe_.UnitsStr());
        setup_.LimitGraphSetting();
        ScaleAfterChange();
    }
    if ((flags & clsProbe::kRangeChanged) != 0) {
        UpdateRangeIndicator();
    }
    if ((flags & clsProbe::kTemperature) != 0) {
        v_.Text(Ctl::LabTemp,
                battery_.FormatTempAddUnits(probe_.Temperature(), BatteryTemp::kReplyFormat));
    }
    if ((flags & clsProbe::kBattery) != 0) {
        const auto percent = static_cast<int16_t>(std::clamp(probe_.Battery(), 0.0F, 100.0F));
        battery_.ShowBattery(percent);
    }
    if ((flags & clsProbe::kNewReading) == 0) {
        return;
    }
    ++s_.ActualSamPerSec;
    s_.ReadingsLive = true;
    s_.BatteryLow = (flags & clsProbe::kBatteryState) != 0 ? 1 : 0;
    const bool over = (flags & clsProbe::kOverRange) != 0;
    const bool under = (flags & clsProbe::kUnderRange) != 0;
    v_.Visible(Ctl::LabOverRange, over);
    v_.Visible(Ctl::LabUnderRange, under && !over);
    if (s_.RefreshProbeFlag == 1) {
        v_.Text(Ctl::LabXYZField, probe_.XYZAxisStr());
        v_.Text(Ctl::LabXField, probe_.XAxisStr());
        v_.Text(Ctl::LabYField, probe_.YAxisStr());
        v_.Text(Ctl::LabZField, probe_.ZAxisStr());
        v_.Text(Ctl::LabMaxXYZ, clsProbe::AdjustStrLen(probe_.MaxHoldXYZ()));
        v_.Text(Ctl::LabMaxX, clsProbe::AdjustStrLen(probe_.MaxHoldX()));
        v_.Text(Ctl::LabMaxY, clsProbe::AdjustStrLen(probe_.MaxHoldY()));
        v_.Text(Ctl::LabMaxZ, clsProbe::AdjustStrLen(probe_.MaxHoldZ()));
        s_.RefreshProbeFlag = 0;
    }
    if (s_.Graph.LiveDisplay) {
        setup_.PlotGraph7300format(probe_.Xaxis(), probe_.Yaxis(), probe_.Zaxis(),
                                   probe_.XYZAxis());
    }
    if (s_.Graph.BarGraphVisible) {
        setup_.BarGraph7300(probe_.XYZNA(), probe_.XNA(), probe_.YNA(), probe_.ZNA());
    }
    if (OnReading) {
        OnReading();
    }
}

} // namespace vireon
