#include "display/core/BatteryTemp.h"

#include "common/numfmt.h"
#include "graph/DrawingSurface.h"

namespace vireon {

namespace {
constexpr int32_t kCyan = RGB(0, 255, 255);
constexpr int32_t kYellow = RGB(255, 255, 0);
constexpr double kStatusColumn = 6240;
constexpr const char* kLowWord = "Low";
} // namespace

void BatteryTemp::SetUpReadBattTemp(int16_t interval) {
    timer_.Enabled(true);
    // Counted afresh: a count left above a new, shorter interval would run up to 255 first.
    ticks_ = 0;
    s_.BattTempUpdateInterval = interval;
    const std::pair<int16_t, Act> entries[] = {{0, Act::mnuProbeUpdateoff},
                                               {5, Act::mnuProbeUpdate5},
                                               {50, Act::mnuProbeUpdate30},
                                               {150, Act::mnuProbeUpdate60}};
    bool known = false;
    for (const auto& [value, entry] : entries) {
        v_.Checked(entry, value == interval);
        known = known || value == interval;
    }
    if (!known) {
        s_.BattTempUpdateInterval = 50;
        v_.Checked(Act::mnuProbeUpdate30, true);
    } else if (interval == 0) {
        timer_.Enabled(false);
    }
}

void BatteryTemp::Tick() {
    if (ticks_ != s_.BattTempUpdateInterval) {
        ++ticks_;
        return;
    }
    ticks_ = 0;
    switch (probe_.TypeNumb()) {
    case 1:
        probe_.SetNextCmnd("s\r");
        break;
    case 2:
        probe_.SetNextCmnd("R\r");
        break;
    case 3:
        probe_.SetNextCmnd("B\r");
        break;
    default:
        break;
    }
}

void BatteryTemp::UpdateNow(bool fromLabel) {
    switch (probe_.TypeNumb()) {
    case 1:
        probe_.SetNextCmnd("T\r");
        break;
    case 2:
        probe_.SetNextCmnd("B\r");
        break;
    case 3:
        if (!fromLabel) {
            probe_.SetNextCmnd("B\r");
        }
        break;
    default:
        break;
    }
}

void BatteryTemp::TemperatureUnit(bool celsius) {
    probe_.UseCelsiusTemp(celsius ? 1 : 0);
    v_.Checked(Act::mnuProbeTempCels, celsius);
    v_.Checked(Act::mnuProbeTempFahr, !celsius);
    UpdateNow();
}

void BatteryTemp::GaugeColor(int32_t color) {
    v_.BackColor(Ctl::ShapeBatLevel, color);
}

void BatteryTemp::ShowBattery(int16_t percent) {
    v_.Text(Ctl::LabBattery, std::to_string(percent) + " %");
    BatteryLevel(percent);
    TellReader();
}

void BatteryTemp::TellReader() {
    const std::string shown = v_.Text(Ctl::LabBattery);
    v_.ReaderText(Ctl::LabBattery,
                  s_.BatteryLow == 1 && shown != kLowWord ? shown + " " + kLowWord : shown);
}

void BatteryTemp::BatteryLevel(int16_t percent) {
    double p = percent;
    if (p < 8) {
        p = 10;
        GaugeColor(kYellow);
    } else if (!lowShown_) {
        GaugeColor(kCyan);
    }
    const double width = p / 100 * kGaugeWidth;
    const double left = s_.BatteryGaugeLeft + (p < 100 ? (100 - p) / 100 * kGaugeWidth : 0.0);
    v_.Place(Ctl::ShapeBatLevel, {kStatusColumn + left, kGaugeTop, width, kGaugeHeight});
    if (!s_.BatteryKnown) {
        s_.BatteryKnown = true;
        for (Ctl c : {Ctl::ShapeBatBackground, Ctl::ShapeBatTip, Ctl::ShapeBatLevel}) {
            v_.Visible(c, true);
        }
    }
}

void BatteryTemp::Blink() {
    if (s_.BatteryLow == 1) {
        if (!s_.BatteryKnown && v_.Text(Ctl::LabBattery).empty()) {
            // No percentage yet: the blinking word is the only sign of the flat battery.
            v_.Text(Ctl::LabBattery, kLowWord);
        }
        if (!lowShown_) {
            GaugeColor(kYellow);
            lowShown_ = true;
            TellReader();
        }
        blinkOn_ = !blinkOn_;
        v_.Visible(Ctl::LabBattery, blinkOn_);
    } else if (lowShown_) {
        GaugeColor(kCyan);
        lowShown_ = false;
        blinkOn_ = true;
        v_.Visible(Ctl::LabBattery, true);
        if (!s_.BatteryKnown) {
            v_.Text(Ctl::LabBattery, "");
        }
        TellReader();
    }
}

float BatteryTemp::ConvertCtoF(float celsius) const {
    return probe_.UseCelsiusTemp() < 1 ? 9.0F / 5.0F * celsius + 32 : celsius;
}

std::string BatteryTemp::FormatTempAddUnits(float t, const char* format) const {
    return FormatNumber(t, format) + " " + kDegreeSign + (probe_.UseCelsiusTemp() >= 1 ? "C" : "F");
}

} // namespace vireon
