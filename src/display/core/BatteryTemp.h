#pragma once
// Battery and temperature: the request scheduler on HRTReadBattTemp, requests on demand, the
// battery gauge and its low-battery blink, and temperature texts in the chosen unit.

#include "acquisition/Timing.h"
#include "display/core/WindowState.h"
#include "display/core/WindowView.h"
#include "probe/clsProbe.h"

#include <cstdint>
#include <string>

namespace vireon {

class BatteryTemp {
public:
    BatteryTemp(WindowState& s, WindowView& view, clsProbe& probe, Timer& readBattTemp)
        : s_(s), v_(view), probe_(probe), timer_(readBattTemp) {}

    static constexpr double kGaugeWidth = 495;
    static constexpr double kGaugeTop = 270;
    static constexpr double kGaugeHeight = 240;

    // Applies an automatic request interval in 200 ms ticks (0, 5, 50, 150; others become 50).
    void SetUpReadBattTemp(int16_t interval);
    // The HRTReadBattTemp tick.
    void Tick();
    // The request of the probe's family on demand: the menu entry, a click on the temperature
    // title (`fromLabel`) and a change of temperature unit.
    void UpdateNow(bool fromLabel = false);
    void TemperatureUnit(bool celsius);
    // A battery reply: the percentage on LabBattery, and the gauge.
    void ShowBattery(int16_t percent);
    // The gauge for a battery percentage, shrinking towards the tip; below 8 % it shows 10 %
    // in yellow.
    void BatteryLevel(int16_t percent);
    // Housekeeping: the low-battery blink.
    void Blink();

    // Temperature texts: the laser unit's status reply shows ".4", a temperature reply (":T")
    // "0.4".
    static constexpr const char* kStatusFormat = "#.0";
    static constexpr const char* kReplyFormat = "0.0";

    float ConvertCtoF(float celsius) const;
    std::string FormatTempAddUnits(float t, const char* format = kStatusFormat) const;
    // A temperature in degrees Celsius as the labels show it.
    std::string TemperatureText(float celsius, const char* format = kStatusFormat) const {
        return FormatTempAddUnits(ConvertCtoF(celsius), format);
    }

private:
    void GaugeColor(int32_t color);
    // A low battery is told to a screen reader in words; the label only blinks.
    void TellReader();

    WindowState& s_;
    WindowView& v_;
    clsProbe& probe_;
    Timer& timer_;
    uint8_t ticks_ = 0;
    bool lowShown_ = false; // the gauge shows the low-battery colour
    bool blinkOn_ = true;
};

} // namespace vireon
