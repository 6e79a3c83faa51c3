#pragma once
// The configuration file: 41 lines of key, comma and value, read by position at start-up and
// written at exit.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "files/TextFile.h"

namespace vireon {

// The configuration file beside the program.
inline constexpr std::string_view kCfgFileName = "VireonII.cfg";
inline constexpr int16_t kCfgLines = 41;

// Colours are 24-bit values, red in the low byte and blue in the high byte.
constexpr int32_t Rgb(int32_t red, int32_t green, int32_t blue) {
    return red + green * 256 + blue * 65536;
}

// Every setting of the file, in file order. Fields without a default in SetCfgDefaults keep
// what they held before the file was read; the initial values below are used when nothing
// else set them.
struct CfgSettings {
    std::string ProbeUnits = "V/m";                // 1 ProbeUnits
    std::string GraphScale = "Auto";               // 2 GraphScale (from CmbVerticalScale)
    int16_t LogScale = 0;                          // 3 LogScaleOn
    int16_t GITxtAverage = 1;                      // 4 Averaging
    int16_t CommPortNo = 2;                        // 5 CommPort
    int16_t DefSamPerDiv = 50;                     // 6 GraphSamplesPerDiv
    int16_t GITDisplayUpdate = 7;                  // 7 TextUpdatePerSecond
    std::string MinAverText = "6 Minute";          // 8 Exposure
    int16_t DisplayHorLinesFlag = 1;               // 9 HorizontalLinesOn: 1 on, 2 off
    std::string DefaultSavePath;                   // 10 Path
    std::string BaudRatePreference = "9600,o,7,1"; // 11 BaudRate
    int16_t PlotComposite = 1;                     // 12 PlotComposite
    bool ExposureFrame = false;                    // 13 ExposureFrame (mnuViewExposure)
    bool StatusBar = true;                         // 14 StatusBar
    bool MaxSpeedFlag = false;                     // 15 MaxSpeed
    bool UpdateProbeBatt = false;                  // 16 UpdateBattTemp (menu mark; unused)
    bool Axis3Prefered = true;                     // 17 Multiplex
    int16_t AutoRangeOn = 1;                       // 18 AutoRange
    int32_t BackGround = Rgb(0, 0, 64);            // 19 GraphBackGroundColor
    int32_t GridLineColor = Rgb(79, 79, 79);       // 20 GraphGridLineColor
    int32_t XYZaxisColor = Rgb(255, 0, 0);         // 21 GraphXYZaxisColor (trace 2)
    int32_t XaxisColor = Rgb(0, 255, 0);           // 22 GraphXaxisColor (trace 3)
    int32_t YaxisColor = Rgb(255, 0, 255);         // 23 GraphYaxisColor (trace 4)
    int32_t ZaxisColor = Rgb(255, 255, 0);         // 24 GraphZaxisColor (trace 5)
    int16_t VDelay = 50;                           // 25 ReadTimer
    uint8_t RthresEnabled = 0;                     // 26 RthresEnabled
    std::string SampleRate = "15";                 // 27 SampleRate
    int16_t BattTempUpdateInterval = 30;           // 28 UpdateBattTemp (interval)
    int16_t GraphScaleAuto = 0;                    // 29 GraphScaleAuto
    int16_t UseCelsiusTemp = 1;                    // 30 TemperatureCelsius
    int16_t AlarmEnable = 0;                       // 31 AlarmEnable
    float AlarmValue = 25.0f;                      // 32 AlarmValue
    int32_t GraphTextColor = Rgb(0, 255, 255);     // 33 GraphTextColor
    int32_t BoxColor = Rgb(0, 0, 64);              // 34 BoxColor
    int16_t MatchBarGraphToScatt = 0;              // 35 MatchBarGraphToScatt
    int32_t FormBackColor = Rgb(214, 205, 177);    // 36 FormBackColor
    int16_t LogScaleMinOn = 0;                     // 37 LogScaleMinDivOn
    int32_t MinLineColor = Rgb(47, 47, 47);        // 38 MinDivColor
    std::string SaveFileName = "Test1";            // 39 SaveFileName
    int16_t PeriodicInterval = 60;                 // 40 PeriodicInterval
    int16_t PeriodicIntervalEnabled = 0;           // 41 PeriodicIntervalEnabled

    bool operator==(const CfgSettings&) const = default;
};

// Assigns the documented defaults (the save folder defaults to the program's folder); the
// settings without one are left alone.
void SetCfgDefaults(CfgSettings& s, const std::string& programFolder);

struct CfgLoadResult {
    bool Complete = false; // all 41 lines were read; otherwise the caller shows frmPort
    bool Missing = false;  // there was no file (first run)
    int16_t LinesRead = 0; // settings taken from the file, in file order
    std::string Problem;   // why reading stopped, when it did
    // The file is there but could not be read whole: the settings from the faulty line on are
    // defaults. Damage says so in one line for the status bar, naming the line and what was
    // found on it. Save with keepDamaged (below) so that the file is kept before it is
    // overwritten.
    bool Damaged = false;
    std::string Damage;
};

// Reads settings from configuration text into s, line by line, and stops at the first line
// that is missing or has a value of the wrong form; the settings read before it stay. Text
// values are the rest of their line (trimmed of blanks), so a comma in a folder name does not
// shift later settings.
CfgLoadResult ParseCfgText(std::string_view text, CfgSettings& s);

// Assigns the defaults, then reads the file.
CfgLoadResult LoadCfg(const std::filesystem::path& path, CfgSettings& s,
                      const std::string& programFolder);

// The 41 lines, CR LF ended.
std::string CfgText(const CfgSettings& s);

// Writes the file; a failure leaves the old file intact and says why. With keepDamaged (pass
// CfgLoadResult::Damaged at the first save after loading), the file there is first kept as
// "<name>.bad", replacing an older one, so that the settings it held are never lost; when it
// cannot be kept, nothing is written.
WriteResult SaveCfg(const std::filesystem::path& path, const CfgSettings& s,
                    bool keepDamaged = false);

// The fiber-optic unit code of a unit text: 0 "V/m", 1 "mW/cm2", 2 "V2/m2"; empty for any
// other text. The probe object's unit number is this plus one.
std::optional<int16_t> UnitsCode(std::string_view unitText);

} // namespace vireon
