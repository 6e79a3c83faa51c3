#include "display/core/FiberReadouts.h"

#include "common/numfmt.h"

#include <algorithm>

namespace vireon {

namespace {
template <class... F> struct Overload : F... { using F::operator()...; };
template <class... F> Overload(F...) -> Overload<F...>;

// At most this many further reads complete a data reply that the receive event cut short.
constexpr int kCompletionReads = 21;
} // namespace

void FiberReadouts::Process7300Format() {
    std::string& d = s_.ProbeData;
    if (probe_.TypeNumb() == 2 || probe_.TypeNumb() == 3) {
        // The other families are decoded by the probe object; its identification of a
        // four-range probe collects these replies.
        s_.TimeOut = 0;
        readouts_.ProcessProbeFlags(probe_.InputStr(d));
        return;
    }
    fiber::Reply reply = fiber::Decode(d);
    if (std::holds_alternative<fiber::PartialData>(reply)) {
        s_.TimeOut = 0;
        for (int reads = 0;
             d.size() < fiber::kDataMinLen && reads < kCompletionReads && link_.IsOpen(); ++reads) {
            d += link_.Input();
        }
        reply = fiber::Decode(d);
    }
    std::visit(Overload{
                   [&](const fiber::Data& data) { OnData(data, d); },
                   [&](const fiber::NotInitialized& n) {
                       s_.TimeOut = 0;
                       ++s_.ActualSamPerSec;
                       s_.BatteryLow = n.BatteryLow ? 1 : 0;
                       face_.StatusText("Probe not initialized correctly. " + d);
                   },
                   [&](const fiber::Identification& id) { OnIdentification(id); },
                   [&](const fiber::Calibration&) { face_.StatusText("KD-7310"); },
                   [&](const fiber::UnitStatus& st) { ProcessSmallS(st); },
                   [&](const fiber::Battery& b) {
                       if (b.Complete) {
                           battery_.ShowBattery(static_cast<int16_t>(b.Percent));
                       }
                   },
                   [&](const fiber::Temperature& t) {
                       v_.Text(Ctl::LabTemp, battery_.TemperatureText(static_cast<float>(t.Celsius),
                                                                      BatteryTemp::kReplyFormat));
                   },
                   [](const auto&) {},
               },
               reply);
}

void FiberReadouts::OnData(const fiber::Data& data, const std::string& reply) {
    s_.TimeOut = 0;
    s_.ReadingsLive = true;
    ++s_.ActualSamPerSec;
    if (s_.Uploading) {
        // Readings flow: the upload is over.
        s_.Uploading = false;
        face_.StatusText("");
    }
    s_.BatteryLow = data.BatteryLow ? 1 : 0;
    kd_.ParseCal7300(reply);
    if (!kd_.ZeroRunning()) {
        UpdateVM7300();
    }
}

void FiberReadouts::OnIdentification(const fiber::Identification& id) {
    s_.TimeOut = 0;
    s_.FiberProbe = 1;
    if (!id.Complete) {
        return;
    }
    ChangeDisplay();
    s_.ProbeSoftVer = id.SoftVer;
    if (s_.BaudRatePreference == "9600,o,7,1" && s_.ProbeSoftVer == "073020030A") {
        for (int i = 2; i <= 4; ++i) {
            v_.Visible(BaudEntry(i), true);
        }
    }
    s_.ProbeCalDate = id.CalDate;
    if (id.SerialNo != kd_.ProbeSerialNo()) {
        kd_.ProbeSerialNo(id.SerialNo);
        kd_.ClearRef();
    }
    s_.ProbeSerialNo = id.SerialNo;
    face_.StatusText("Uploading Data Please Wait...");
    s_.Uploading = true;
}

void FiberReadouts::ProcessSmallS(const fiber::UnitStatus& st) {
    v_.Text(Ctl::LabLaserCur, FormatNumber(st.LaserCurrent(), "0.000"));
    v_.Text(Ctl::LabConVolt, FormatNumber(st.ConverterVolts(), "#.00") + " V");
    v_.Text(Ctl::LabLasTemp, battery_.TemperatureText(static_cast<float>(st.LaserTempC())));
    v_.Text(Ctl::LabTemp, battery_.TemperatureText(static_cast<float>(st.ProbeTempC())));
}

// The window rebuilt for the probe that has just identified itself.
void FiberReadouts::ChangeDisplay() {
    readouts_.ChangeDisplay([this] { SetUp7300(); });
}

void FiberReadouts::SetUp7300() {
    if (setup_.SetUpGraphScale().value_or(0) == 1) {
        setup_.DrawGraph();
        setup_.SetUpBarGraph();
    }
    v_.Visible(Ctl::LabUnits, true);
    v_.Visible(Ctl::LabSamRate, true);
    v_.Enabled(Act::mnuProbeZero, false);
    v_.Text(Ctl::LabUnits, Readouts::UnitsCaption(s_.ProbeUnits));
    graph_.OverRangeVal(probe_.GetOverRangeVal());
    graph_.UnderRangeVal(probe_.GetUnderRangeVal());
    for (int i = 0; i <= 12; ++i) {
        v_.Visible(LabAxisRange(i), false);
    }
    v_.Visible(Ctl::LabRangeText, false);
    v_.Items(Ctl::CmbSampleRate, RateControl::RateList(true));
    std::string rate = s_.SampleRate;
    if (s_.MaxSpeedFlag != 0) {
        rate = "Max";
    } else if (Val(s_.SampleRate) > probe_.GetMaxSamRate()) {
        rate = std::to_string(probe_.GetMaxSamRate());
    } else if (Val(s_.SampleRate) > 35) {
        rate = "35";
        s_.SampleRate = "35";
    }
    if (rate != "Max" && NearInt16(Val(rate)) != probe_.SampleRate()) {
        // The rate shown is the rate in force: the probe would otherwise go on at the rate
        // the list no longer shows.
        rates_.SetSampleRate(rate);
    }
    if (!v_.Select(Ctl::CmbSampleRate, rate)) {
        // The last entry is "Max"; it is shown only when maximum speed is in force, else the
        // slowest numeric rate stands in for a rate the list does not hold.
        v_.SelectIndex(Ctl::CmbSampleRate,
                       v_.ItemCount(Ctl::CmbSampleRate) - (s_.MaxSpeedFlag != 0 ? 1 : 2));
    }
    setup_.LimitGraphSetting();
    graph_.DisplayProbeRange();
    graph_.DisplayMark();
}

// One reading of the fiber probe on the readouts and graphs.
void FiberReadouts::UpdateVM7300() {
    const float x = kd_.Xaxis();
    const float y = kd_.Yaxis();
    const float z = kd_.Zaxis();
    // The limits are kept in V/m; the readings are in the unit shown.
    const float lower = readouts_.InUnitsShown(probe_.LowerLimit());
    const float upper = readouts_.InUnitsShown(probe_.UpperLimit());
    if (s_.RefreshProbeFlag == 1) {
        const std::string& u = s_.ProbeUnits;
        const std::pair<Ctl, float> readouts[] = {
            {Ctl::LabXField, x},
            {Ctl::LabYField, y},
            {Ctl::LabZField, z},
            {Ctl::LabMaxXYZ, kd_.MaxHoldXYZ()},
            {Ctl::LabMaxX, kd_.MaxHoldX()},
            {Ctl::LabMaxY, kd_.MaxHoldY()},
            {Ctl::LabMaxZ, kd_.MaxHoldZ()},
        };
        const bool mw = u == "mW/cm2";
        if (mw || u == "V/m" || u == "V2/m2") {
            v_.Text(Ctl::LabXYZField, mw ? FormatNumber(kd_.XYZ(), "0.00000").substr(0, 8)
                                         : clsProbe::AdjustStrLen(kd_.XYZ()));
            for (const auto& [c, value] : readouts) {
                v_.Text(c, Readouts::PeakText(value, mw));
            }
        }
        s_.RefreshProbeFlag = 0;
    }
    const bool over = x > upper || y > upper || z > upper;
    const bool under = x < lower && y < lower && z < lower;
    if (over || under) {
        v_.Visible(Ctl::LabOverRange, over);
        v_.Visible(Ctl::LabUnderRange, !over);
        s_.RangeIndicatorShown = true;
    } else if (s_.RangeIndicatorShown) {
        v_.Visible(Ctl::LabOverRange, false);
        v_.Visible(Ctl::LabUnderRange, false);
        s_.RangeIndicatorShown = false;
    }
    if (s_.Graph.LiveDisplay) {
        setup_.PlotGraph7300format(x, y, z, kd_.XYZ());
    }
    if (s_.Graph.BarGraphVisible) {
        setup_.BarGraph7300(kd_.XYZNA(), kd_.XNA(), kd_.YNA(), kd_.ZNA());
    }
    if (OnReading) {
        OnReading();
    }
}

} // namespace vireon
