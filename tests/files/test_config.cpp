// The configuration file: the 41 lines, their defaults, and reading that stops at a fault.
#include <gtest/gtest.h>

#include "files/ConfigFile.h"
#include "support/TempDir.h"

namespace vireon {
namespace {

using testing::ReadFile;
using testing::TempDir;

// Every value differs from its default; the baud setting and the folder hold commas.
const std::string kUnusual =
    "ProbeUnits,mW/cm2\r\nGraphScale,Log 0.1-1000\r\nLogScaleOn,-1\r\nAveraging,4\r\n"
    "CommPort,17\r\nGraphSamplesPerDiv,25\r\nTextUpdatePerSecond,3\r\nExposure,30 Minute\r\n"
    "HorizontalLinesOn,2\r\nPath,C:\\Surveys\\Survey, 2026\r\nBaudRate,19200,n,8,1\r\n"
    "PlotComposite,0\r\nExposureFrame,True\r\nStatusBar,False\r\nMaxSpeed,True\r\n"
    "UpdateBattTemp,True\r\nMultiplex,False\r\nAutoRange,0\r\nGraphBackGroundColor,197121\r\n"
    "GraphGridLineColor,394500\r\nGraphXYZaxisColor,591879\r\nGraphXaxisColor,789258\r\n"
    "GraphYaxisColor,986637\r\nGraphZaxisColor,1184016\r\nReadTimer,66\r\nRthresEnabled,255\r\n"
    "SampleRate,Max\r\nUpdateBattTemp,5\r\nGraphScaleAuto,1\r\nTemperatureCelsius,0\r\n"
    "AlarmEnable, 1\r\nAlarmValue, 1.5E-05\r\nGraphTextColor, 1381395\r\nBoxColor, 1578774\r\n"
    "MatchBarGraphToScatt, 1\r\nFormBackColor, 1776153\r\nLogScaleMinDivOn, 1\r\n"
    "MinDivColor, 1973532\r\nSaveFileName, /home/u/run 7\r\nPeriodicInterval, 11\r\n"
    "PeriodicIntervalEnabled, 1\r\n";

// The first n lines of a text.
std::string Lines(const std::string& text, int n) {
    size_t pos = 0;
    for (int i = 0; i < n; ++i) {
        pos = text.find("\r\n", pos) + 2;
    }
    return text.substr(0, pos);
}

TEST(SaveCfg, EverySettingReadsBackAndIsWrittenAgainByteForByte) {
    CfgSettings s;
    const CfgLoadResult r = ParseCfgText(kUnusual, s);
    ASSERT_TRUE(r.Complete) << r.Problem;
    EXPECT_EQ(r.LinesRead, 41);
    EXPECT_EQ(s.DefaultSavePath, "C:\\Surveys\\Survey, 2026");
    EXPECT_EQ(s.BaudRatePreference, "19200,n,8,1");
    EXPECT_EQ(s.BattTempUpdateInterval, 5); // the second "UpdateBattTemp," line
    EXPECT_TRUE(s.UpdateProbeBatt);
    EXPECT_EQ(s.XaxisColor, Rgb(10, 11, 12));
    TempDir dir;
    ASSERT_TRUE(SaveCfg(dir.Path() / "VireonII.cfg", s).Ok);
    EXPECT_EQ(ReadFile(dir.Path() / "VireonII.cfg"), kUnusual);
    CfgSettings back;
    EXPECT_TRUE(LoadCfg(dir.Path() / "VireonII.cfg", back, "/prog").Complete);
    EXPECT_EQ(back, s);
}

TEST(LoadCfg, MissingFileGivesTheDefaultsAndKeepsSettingsThatHaveNone) {
    TempDir dir;
    CfgSettings s;
    ParseCfgText(kUnusual, s);
    const CfgLoadResult r = LoadCfg(dir.Path() / "VireonII.cfg", s, "/opt/vireon");
    EXPECT_FALSE(r.Complete);
    EXPECT_TRUE(r.Missing);
    CfgSettings expected; // the documented defaults ...
    expected.DefaultSavePath = "/opt/vireon";
    expected.LogScale = -1; // ... except where there is none
    expected.StatusBar = false;
    expected.UpdateProbeBatt = true;
    expected.GraphScaleAuto = 1;
    expected.UseCelsiusTemp = 0;
    expected.AlarmEnable = 1;
    expected.BoxColor = Rgb(22, 23, 24);
    expected.MatchBarGraphToScatt = 1;
    EXPECT_EQ(s, expected);
}

TEST(LoadCfg, StopsAtTheFirstFaultKeepingWhatWasRead) {
    const struct {
        std::string Text;
        int16_t LinesRead;
        std::string Problem;
    } cases[] = {
        {Lines(kUnusual, 12), 12, "The file ends after line 12."},
        {"", 0, "The file is empty."},
        {Lines(kUnusual, 4) + "CommPort,COM3\r\n" + kUnusual.substr(Lines(kUnusual, 5).size()), 4,
         "Line 5 (\"CommPort,\"): \"COM3\" is not a 16-bit integer."},
        {Lines(kUnusual, 12) + "ExposureFrame,Maybe\r\n", 12,
         "Line 13 (\"ExposureFrame,\"): \"Maybe\" is not True or False."},
        {Lines(kUnusual, 2) + "LogScaleOn 1\r\n", 2,
         "Line 3 (\"LogScaleOn,\") has no comma: \"LogScaleOn 1\"."},
        {Lines(kUnusual, 4) + "GraphSamplesPerDiv,25\r\nCommPort,17\r\n" +
             kUnusual.substr(Lines(kUnusual, 6).size()),
         4, "Line 5 (\"CommPort,\") has the key \"GraphSamplesPerDiv\"."},
    };
    for (const auto& c : cases) {
        CfgSettings s;
        const CfgLoadResult r = ParseCfgText(c.Text, s);
        EXPECT_FALSE(r.Complete);
        EXPECT_EQ(r.LinesRead, c.LinesRead);
        EXPECT_EQ(r.Problem, c.Problem);
        // What came before the fault was taken; the rest is untouched.
        CfgSettings expected;
        ParseCfgText(Lines(kUnusual, c.LinesRead), expected);
        EXPECT_EQ(s, expected) << c.Problem;
    }
}

// A damaged file - a bad value, or a line running past the size limit - is named in one line,
// and kept as it was before the first save over it.
TEST(LoadCfg, ADamagedFileIsNamedAndKeptBeforeItIsOverwritten) {
    const std::pair<std::string, std::string> cases[] = {
        {Lines(kUnusual, 12) + "ExposureFrame,Maybe\r\n" +
             kUnusual.substr(Lines(kUnusual, 13).size()),
         "Line 13 (\"ExposureFrame,\"): \"Maybe\" is not True or False."},
        {Lines(kUnusual, 10) + "BaudRate," + std::string(1 << 20, '9') + "\r\n" +
             kUnusual.substr(Lines(kUnusual, 11).size()),
         "Line 11 (\"BaudRate,\") runs past 1 MiB, the most a configuration file may hold; "
         "reading stopped there."}};
    for (const auto& [damaged, problem] : cases) {
        TempDir dir;
        const auto path = dir.Path() / "VireonII.cfg";
        testing::WriteFile(dir.Path() / "VireonII.cfg.bad", "an older damaged file");
        testing::WriteFile(path, damaged);
        CfgSettings s;
        const CfgLoadResult r = LoadCfg(path, s, "/prog");
        EXPECT_TRUE(r.Damaged);
        EXPECT_EQ(r.Damage,
                  "VireonII.cfg: " + problem + " The settings from there on are defaults.");
        ASSERT_TRUE(SaveCfg(path, s, r.Damaged).Ok);
        EXPECT_EQ(ReadFile(dir.Path() / "VireonII.cfg.bad"), damaged);
        EXPECT_EQ(ReadFile(path), CfgText(s));
        // A sound file and a missing one are not damaged.
        EXPECT_FALSE(LoadCfg(path, s, "/prog").Damaged);
        EXPECT_FALSE(LoadCfg(dir.Path() / "none.cfg", s, "/prog").Damaged);
    }
}

TEST(LoadCfg, ReadsLineFeedsLooseBlanksAndOtherCases) {
    std::string text = kUnusual;
    for (size_t p = text.find('\r'); p != std::string::npos; p = text.find('\r', p)) {
        text.erase(p, 1);
    }
    text.replace(text.find("AlarmEnable, 1"), 14, "AlarmEnable,0 ");
    text.replace(text.find("StatusBar,False"), 15, "StatusBar,TRUE");
    text.replace(text.find("Averaging,4"), 11, "Averaging, 2.5");
    CfgSettings s;
    const CfgLoadResult r = ParseCfgText(text + "extra line\n", s);
    EXPECT_TRUE(r.Complete) << r.Problem;
    EXPECT_EQ(s.AlarmEnable, 0);
    EXPECT_TRUE(s.StatusBar);
    EXPECT_EQ(s.GITxtAverage, 2); // halves to even
    EXPECT_EQ(s.DefaultSavePath, "C:\\Surveys\\Survey, 2026");
    // A second text-mode conversion ends the lines CR CR LF.
    EXPECT_TRUE(ParseCfgText(testing::DoubleCr(kUnusual), s).Complete);
}

} // namespace
} // namespace vireon
