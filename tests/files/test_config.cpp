// The configuration file: the 41 lines, their defaults, and reading that stops at a fault.
#include <gtest/gtest.h>

#include "files/ConfigFile.h"
#include "files/TempDir.h"

namespace vireon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Every setting different from its default, baud commas and a comma in the folder included.
CfgSettings Unusual() {
    CfgSettings s;
    s.ProbeUnits = "mW/cm2";
    s.GraphScale = "Log 0.1-1000";
    s.LogScale = -1;
    s.GITxtAverage = 4;
    s.CommPortNo = 17;
    s.DefSamPerDiv = 25;
    s.GITDisplayUpdate = 3;
    s.MinAverText = "30 Minute";
    s.DisplayHorLinesFlag = 2;
    s.DefaultSavePath = "C:\\Surveys\\Survey, 2026";
    s.BaudRatePreference = "19200,n,8,1";
    s.PlotComposite = 0;
    s.ExposureFrame = true;
    s.StatusBar = false;
    s.MaxSpeedFlag = true;
    s.UpdateProbeBatt = true;
    s.Axis3Prefered = false;
    s.AutoRangeOn = 0;
    s.BackGround = Rgb(1, 2, 3);
    s.GridLineColor = Rgb(4, 5, 6);
    s.XYZaxisColor = Rgb(7, 8, 9);
    s.XaxisColor = Rgb(10, 11, 12);
    s.YaxisColor = Rgb(13, 14, 15);
    s.ZaxisColor = Rgb(16, 17, 18);
    s.VDelay = 66;
    s.RthresEnabled = 255;
    s.SampleRate = "Max";
    s.BattTempUpdateInterval = 5;
    s.GraphScaleAuto = 1;
    s.UseCelsiusTemp = 0;
    s.AlarmEnable = 1;
    s.AlarmValue = 1.5e-5f;
    s.GraphTextColor = Rgb(19, 20, 21);
    s.BoxColor = Rgb(22, 23, 24);
    s.MatchBarGraphToScatt = 1;
    s.FormBackColor = Rgb(25, 26, 27);
    s.LogScaleMinOn = 1;
    s.MinLineColor = Rgb(28, 29, 30);
    s.SaveFileName = "/home/u/run 7";
    s.PeriodicInterval = 11;
    s.PeriodicIntervalEnabled = 1;
    return s;
}

const char kDefaultFile[] = "ProbeUnits,V/m\r\n"
                            "GraphScale,Auto\r\n"
                            "LogScaleOn,0\r\n"
                            "Averaging,1\r\n"
                            "CommPort,2\r\n"
                            "GraphSamplesPerDiv,50\r\n"
                            "TextUpdatePerSecond,7\r\n"
                            "Exposure,6 Minute\r\n"
                            "HorizontalLinesOn,1\r\n"
                            "Path,C:\\Vireon\r\n"
                            "BaudRate,9600,o,7,1\r\n"
                            "PlotComposite,1\r\n"
                            "ExposureFrame,False\r\n"
                            "StatusBar,True\r\n"
                            "MaxSpeed,False\r\n"
                            "UpdateBattTemp,False\r\n"
                            "Multiplex,True\r\n"
                            "AutoRange,1\r\n"
                            "GraphBackGroundColor,4194304\r\n"
                            "GraphGridLineColor,5197647\r\n"
                            "GraphXYZaxisColor,255\r\n"
                            "GraphXaxisColor,65280\r\n"
                            "GraphYaxisColor,16711935\r\n"
                            "GraphZaxisColor,65535\r\n"
                            "ReadTimer,50\r\n"
                            "RthresEnabled,0\r\n"
                            "SampleRate,15\r\n"
                            "UpdateBattTemp,30\r\n"
                            "GraphScaleAuto,0\r\n"
                            "TemperatureCelsius,1\r\n"
                            "AlarmEnable, 0\r\n"
                            "AlarmValue, 25\r\n"
                            "GraphTextColor, 16776960\r\n"
                            "BoxColor, 0\r\n"
                            "MatchBarGraphToScatt, 0\r\n"
                            "FormBackColor, 11652566\r\n"
                            "LogScaleMinDivOn, 0\r\n"
                            "MinDivColor, 3092271\r\n"
                            "SaveFileName, Test1\r\n"
                            "PeriodicInterval, 60\r\n"
                            "PeriodicIntervalEnabled, 0\r\n";

TEST(SaveCfg, WritesTheFortyOneLinesExactly) {
    CfgSettings s;
    SetCfgDefaults(s, "C:\\Vireon");
    EXPECT_EQ(CfgText(s), kDefaultFile);
}

TEST(SaveCfg, EverySettingReadsBack) {
    TempDir dir;
    const auto path = dir.Path() / "VireonII.cfg";
    const CfgSettings written = Unusual();
    ASSERT_TRUE(SaveCfg(path, written).Ok);
    CfgSettings read;
    const CfgLoadResult r = LoadCfg(path, read, "/prog");
    EXPECT_TRUE(r.Complete) << r.Problem;
    EXPECT_EQ(r.LinesRead, 41);
    EXPECT_EQ(read, written);
    EXPECT_NE(ReadFile(path).find("\r\nBaudRate,19200,n,8,1\r\n"), std::string::npos);
}

TEST(LoadCfg, MissingFileGivesTheDefaultsAndAsksForThePort) {
    TempDir dir;
    CfgSettings s = Unusual();
    const CfgLoadResult r = LoadCfg(dir.Path() / "VireonII.cfg", s, "/opt/vireon");
    EXPECT_FALSE(r.Complete);
    EXPECT_TRUE(r.Missing);
    EXPECT_EQ(r.LinesRead, 0);
    EXPECT_EQ(s.ProbeUnits, "V/m");
    EXPECT_EQ(s.GraphScale, "Auto");
    EXPECT_EQ(s.MinAverText, "6 Minute");
    EXPECT_EQ(s.AlarmValue, 25.0f);
    EXPECT_EQ(s.DefaultSavePath, "/opt/vireon");
    EXPECT_EQ(s.FormBackColor, Rgb(214, 205, 177));
    // Settings without a default keep what they held.
    EXPECT_EQ(s.LogScale, -1);
    EXPECT_FALSE(s.StatusBar);
    EXPECT_EQ(s.BoxColor, Rgb(22, 23, 24));
    EXPECT_EQ(s.UseCelsiusTemp, 0);
}

struct BrokenCase {
    std::string Name;
    std::string Text;
    int16_t LinesRead;
    std::string Problem;
};

TEST(LoadCfg, StopsAtTheFirstFaultKeepingWhatWasRead) {
    const std::string full = CfgText(Unusual());
    const auto cut = [&](int lines) {
        size_t pos = 0;
        for (int i = 0; i < lines; ++i) {
            pos = full.find("\r\n", pos) + 2;
        }
        return full.substr(0, pos);
    };
    const BrokenCase cases[] = {
        {"truncated", cut(12), 12, "The file ends after line 12."},
        {"empty", "", 0, "The file is empty."},
        {"bad integer", cut(4) + "CommPort,COM3\r\n" + full.substr(cut(5).size()), 4,
         "Line 5 (\"CommPort,\"): \"COM3\" is not a 16-bit integer."},
        {"integer too large", cut(5) + "GraphSamplesPerDiv,40000\r\n", 5,
         "Line 6 (\"GraphSamplesPerDiv,\"): \"40000\" is not a 16-bit integer."},
        {"bad flag", cut(12) + "ExposureFrame,Maybe\r\n", 12,
         "Line 13 (\"ExposureFrame,\"): \"Maybe\" is not True or False."},
        {"byte out of range", cut(25) + "RthresEnabled,256\r\n", 25,
         "Line 26 (\"RthresEnabled,\"): \"256\" is not an integer from 0 to 255."},
        {"no comma", cut(2) + "LogScaleOn 1\r\n", 2, "Line 3 (\"LogScaleOn,\") has no comma."},
    };
    for (const auto& c : cases) {
        CfgSettings s;
        SetCfgDefaults(s, "/prog");
        const CfgSettings defaults = s;
        const CfgLoadResult r = ParseCfgText(c.Text, s);
        EXPECT_FALSE(r.Complete) << c.Name;
        EXPECT_EQ(r.LinesRead, c.LinesRead) << c.Name;
        EXPECT_EQ(r.Problem, c.Problem) << c.Name;
        // The lines before the fault were taken, the rest kept their defaults.
        CfgSettings expected = defaults;
        ParseCfgText(cut(c.LinesRead), expected);
        EXPECT_EQ(s, expected) << c.Name;
        if (c.LinesRead >= 1) {
            EXPECT_EQ(s.ProbeUnits, "mW/cm2") << c.Name;
        }
        EXPECT_EQ(s.PeriodicInterval, 60) << c.Name;
    }
}

TEST(LoadCfg, ReadsLeniently) {
    CfgSettings s;
    std::string text = kDefaultFile;
    // LF line ends, a value without the blank after the comma, True in other case, and a
    // folder with commas: all still read as meant.
    for (size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", p)) {
        text.erase(p, 1);
    }
    text.replace(text.find("AlarmEnable, 0"), 14, "AlarmEnable,1");
    text.replace(text.find("StatusBar,True"), 14, "StatusBar,TRUE");
    text.replace(text.find("Path,C:\\Vireon"), 14, "Path,  D:\\a, b, c  ");
    const CfgLoadResult r = ParseCfgText(text + "extra line\n", s);
    EXPECT_TRUE(r.Complete) << r.Problem;
    EXPECT_EQ(s.AlarmEnable, 1);
    EXPECT_TRUE(s.StatusBar);
    EXPECT_EQ(s.DefaultSavePath, "D:\\a, b, c");
    EXPECT_EQ(s.BaudRatePreference, "9600,o,7,1");
    EXPECT_EQ(s.PlotComposite, 1);
}

TEST(UnitsCode, MapsTheThreeUnitTexts) {
    EXPECT_EQ(UnitsCode("V/m"), 0);
    EXPECT_EQ(UnitsCode("mW/cm2"), 1);
    EXPECT_EQ(UnitsCode("V2/m2"), 2);
    EXPECT_EQ(UnitsCode("A/m"), std::nullopt);
}

} // namespace
} // namespace vireon
