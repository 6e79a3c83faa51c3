#pragma once
// The main window's state in one place: the acquisition variables the read cycle works on,
// the graph state, the display's own variables and the settings read at start-up.

#include "acquisition/AcqState.h"
#include "files/ConfigFile.h"
#include "graph/GraphSetup.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace vireon {

struct WindowState : AcqState {
    GraphState Graph;
    // The settings as read at start-up; the applier moves them into the variables below and
    // the objects, and collects them back at exit.
    CfgSettings Cfg;
    std::filesystem::path CfgPath;
    bool CfgDamaged = false; // the file was there but could not be read whole
    std::string CfgDamage;   // which line, and what was found on it

    std::string ProbeUnits = "V/m"; // "V/m", "V2/m2" or "mW/cm2"
    int32_t TextColor = 0xFFFF00;   // readout text colour, red in the low byte (cyan)
    int32_t BoxColor = 0x400000;    // the readout box
    int32_t FormBackColor = 0xB1CDD6;
    int16_t MatchBarGraphToScatt = 0; // 1: the bars in the trace colours
    int16_t DisplayHorLinesFlag = 1;  // horizontal grid lines: 1 on, 2 off
    std::string MinAverText = "6 Minute";
    int16_t PeriodicInterval = 60; // minutes
    int16_t PeriodicIntervalEnabled = 0;
    std::string SaveFileName = "Test1";
    std::filesystem::path DefaultSavePath;
    // Logging state: 0 off, 1 logging, 2 paused, 3 logging the moving average, 4 moving-average
    // logging paused between periods.
    int16_t RecordOn = 0;

    std::string ZeroCaption = "&Zero";
    int16_t AlarmEnable = 0;
    float AlarmValue = 25.0F;
    uint8_t BatteryLow = 0;
    bool BatteryKnown = false; // a battery reply arrived since the display was cleared
    bool Uploading = false;    // the calibration upload's status text is showing
    uint8_t FiberProbe = 0;    // a fiber-optic probe identified itself
    uint8_t DisplayMode = 0;   // 1 fiber-optic layout, 0 the other families'
    bool RangeIndicatorShown = false;
    bool ToolBarOn = true;
    bool StatusBarOn = true;
    std::string LoadedFileTag;
    // The file the log in memory was opened from (LogFromFile: memory holds one page of it)
    // or last saved to; empty for a log never saved.
    std::filesystem::path LogFilePath;
    bool LogFromFile = false;
    bool Started = false; // Main has run
    bool Unloaded = false;
};

} // namespace vireon
