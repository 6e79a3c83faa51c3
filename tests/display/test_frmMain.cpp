// The main window on the offscreen platform, built on fake ports, prompts and virtual time.
#include "display/frmMain.h"
#include "files/ConfigFile.h"
#include "probe/cls7300.h"
#include "sim_fiber.h"
#include "support/Fakes.h"
#include "support/ManualTiming.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vireon::test {
namespace {

namespace fs = std::filesystem;

class FakeDesktop : public Desktop {
public:
    explicit FakeDesktop(std::string folder) : folder_(std::move(folder)) {}
    void Beep() override { ++beeps; }
    bool StartEditor(const std::string&) override { return true; }
    std::string ProgramFolder() const override { return folder_; }
    int beeps = 0;

private:
    std::string folder_;
};

class FakeDialogs : public WindowDialogs {
public:
    explicit FakeDialogs(ManualScheduler& s) : s_(s) {}
    void ShowSplash() override { splashShownAt = s_.Now(); }
    void UnloadSplash() override { splashUnloadedAt = s_.Now(); }
    int16_t ChoosePort(int16_t current) override {
        ++portAsked;
        return portAnswer != 0 ? portAnswer : current;
    }
    bool LaserCaution() override { return true; }
    void ShowAbout(const ProbeDescription& d) override { about = d; }
    void UnloadAll() override { ++unloadAll; }
    ManualScheduler& s_;
    double splashShownAt = -1;
    double splashUnloadedAt = -1;
    int portAsked = 0;
    int16_t portAnswer = 0;
    int unloadAll = 0;
    ProbeDescription about;
};

struct Window {
    fs::path folder;
    FakeSerialLink link;
    FakePortCatalog ports;
    ManualScheduler sched;
    FakePrompts prompts;
    FakeDesktop desktop;
    FakeDialogs dialogs{sched};
    std::unique_ptr<frmMain> w;

    explicit Window(const std::string& cfgText = {})
        : folder(fs::path(testing::TempDir()) /
                 ("frm-" + std::to_string(reinterpret_cast<uintptr_t>(this)))),
          desktop(folder.string()) {
        fs::create_directories(folder);
        if (!cfgText.empty()) {
            std::ofstream(folder / "VireonII.cfg", std::ios::binary) << cfgText;
        }
        ports.existing = {1, 2, 3};
        w = std::make_unique<frmMain>(
            WindowPlatform{link, ports, sched, sched, prompts, desktop, dialogs});
    }
    ~Window() {
        w.reset();
        fs::remove_all(folder);
    }
    std::string Cfg(int port, const std::string& baud = "9600,o,7,1") {
        CfgSettings s;
        SetCfgDefaults(s, folder.string());
        s.CommPortNo = static_cast<int16_t>(port);
        s.BaudRatePreference = baud;
        return CfgText(s);
    }
};

TEST(MainWindow, MenuTreeAndToolBarCarryTheirCaptions) {
    Window t;
    frmMain& w = *t.w;
    QStringList top;
    for (QAction* a : w.menuBar()->actions()) {
        top << a->text();
    }
    EXPECT_EQ(top, QStringList({"&File", "&View", "&Probe", "&Communications", "&Help"}));
    const std::pair<const char*, const char*> entries[] = {
        {"mnuFileOpen", "&Open..."},
        {"mnuFileExit", "E&xit"},
        {"mnuViewExposure", "Moving Average (Human &Exposure)"},
        {"mnuViewScatterLive", "Scatter Graph &Live"},
        {"mnuProbePlotComposite", "Plot Total Field &Strength"},
        {"mnuProbeUpdateNow", "Update &Battery / Temperature"},
        {"mnuProbeUpdate30", "1&0 Seconds"},
        {"mnuProbe3AxisData", "&3 Axis Data (Slower)"},
        {"mnuProbeRange5", "Range &5"},
        {"mnucommcomm24", "Comm &24"},
        {"mnuListPorts", "Refresh Available Ports"},
        {"mnuCommBaud4", "&115.2 kBaud"},
        {"mnuCommARM", "Set to Alternate Remote"},
        {"mnuHelpAbout", "&About "},
    };
    for (const auto& [name, caption] : entries) {
        ASSERT_NE(w.Menu(name), nullptr) << name;
        EXPECT_EQ(w.Menu(name)->text(), caption) << name;
    }
    QStringList tips;
    for (QAction* a : w.ToolBar()->actions()) {
        tips << (a->isSeparator() ? QString("|") : a->toolTip());
    }
    EXPECT_EQ(tips,
              QStringList({"Open", "Save", "|", "Options", "|", "Scatter Graph Live", "Bar Graph",
                           "|", "Zoom In", "Zoom Out", "|", "Log (On / Off)", "Log Pause"}));
    EXPECT_EQ(w.Label("LabUnits")->toolTip(), "Click to change units");
    EXPECT_EQ(w.Label("LabXYZField")->text(), "No Probe");
}

TEST(MainWindow, FirstRunAsksForThePortAndShowsTheSplashThreeSeconds) {
    Window t;
    t.dialogs.portAnswer = 3;
    t.w->Load();
    EXPECT_EQ(t.dialogs.portAsked, 1);
    EXPECT_EQ(t.dialogs.splashUnloadedAt - t.dialogs.splashShownAt, 3000);
    EXPECT_TRUE(t.link.IsOpen());
    EXPECT_EQ(t.link.CommPort(), 3);
    EXPECT_TRUE(t.w->CommEntry(3)->isChecked());
    EXPECT_FALSE(t.w->CommEntry(2)->isChecked());
    EXPECT_TRUE(t.w->CommEntry(1)->isVisible() || !t.w->isVisible());
    EXPECT_FALSE(t.w->Menu("mnuFileSaveAs")->isEnabled());
    EXPECT_EQ(t.w->Label("LabMaxXYZ")->text(), "0.0");
    EXPECT_TRUE(t.link.sent.empty()) << "start-up sends no command";
    EXPECT_TRUE(t.prompts.asked.empty());
}

TEST(MainWindow, ConfiguredFasterBaudMarksItsEntryAndHidesTheRest) {
    Window t;
    t.w.reset();
    std::ofstream(t.folder / "VireonII.cfg", std::ios::binary) << t.Cfg(2, "19200,o,7,1");
    t.w = std::make_unique<frmMain>(
        WindowPlatform{t.link, t.ports, t.sched, t.sched, t.prompts, t.desktop, t.dialogs});
    t.w->Load();
    EXPECT_EQ(t.dialogs.portAsked, 0);
    EXPECT_FALSE(t.w->BaudEntry(0)->isChecked());
    EXPECT_TRUE(t.w->BaudEntry(1)->isChecked());
    for (int i = 2; i <= 4; ++i) {
        EXPECT_FALSE(t.w->BaudEntry(i)->isVisible()) << i;
    }
}

TEST(MainWindow, UnopenablePortIsReportedAndLeavesNoCheckMark) {
    Window t;
    t.link.unopenable.insert(2);
    t.dialogs.portAnswer = 2;
    t.w->Load();
    ASSERT_EQ(t.prompts.asked.size(), 1u);
    EXPECT_EQ(t.prompts.asked[0].text, "Unable to open the selected comm port.  Reselect comm "
                                       "port or check system configuration.");
    for (int n = 1; n <= 24; ++n) {
        EXPECT_FALSE(t.w->CommEntry(n)->isChecked()) << n;
    }
    // Start then says the port is closed and stays off.
    t.w->Cycle().CmdStart();
    ASSERT_EQ(t.prompts.asked.size(), 2u);
    EXPECT_EQ(t.prompts.asked[1].text,
              "CommPort not open.  Select 'Communications' to reopen Commport.");
    EXPECT_EQ(t.w->State().LaserState, kLaserOff);
}

TEST(MainWindow, ArrivalAndRemovalShowInTheStatusBar) {
    Window t;
    t.dialogs.portAnswer = 1;
    t.w->Load();
    t.ports.DeviceArrival("COM12");
    EXPECT_EQ(t.w->StatusPanel(), "Laser Detector Unit Connected  (COM12)");
    EXPECT_TRUE(t.w->CommEntry(12)->isChecked());
    t.ports.DeviceRemoveComplete("COM12");
    EXPECT_EQ(t.w->StatusPanel(), "Laser Detector Unit Disconnected");
    EXPECT_FALSE(t.link.IsOpen());
}

TEST(MainWindow, ClosingWithTheLaserOffAsksNothingAndSavesTheSettings) {
    Window t;
    t.dialogs.portAnswer = 3;
    t.w->Load();
    t.w->close();
    EXPECT_TRUE(t.prompts.asked.empty());
    EXPECT_TRUE(t.link.sent.empty());
    EXPECT_FALSE(t.link.IsOpen());
    EXPECT_EQ(t.dialogs.unloadAll, 1);
    CfgSettings saved;
    const CfgLoadResult r = LoadCfg(t.folder / "VireonII.cfg", saved, t.folder.string());
    EXPECT_TRUE(r.Complete) << r.Problem;
    EXPECT_EQ(saved.CommPortNo, 3);
}

TEST(MainWindow, ClosingWithTheLaserOnSendsOffTwiceOnlyOnYes) {
    for (MsgResult answer : {MsgResult::Yes, MsgResult::No}) {
        Window t;
        t.dialogs.portAnswer = 3;
        t.w->Load();
        t.w->State().LaserState = kLaserRunning;
        t.prompts.answers.push_back(answer);
        const double before = t.sched.Now();
        t.w->close();
        ASSERT_EQ(t.prompts.asked.size(), 1u);
        EXPECT_EQ(t.prompts.asked[0].text, "Switch laser to the 'Off' position?");
        EXPECT_EQ(t.prompts.asked[0].title, "Laser Detector Unit Power Status");
        EXPECT_EQ(t.prompts.asked[0].buttons, MsgButtons::YesNo);
        if (answer == MsgResult::Yes) {
            EXPECT_EQ(t.link.sent, (std::vector<std::string>{"o\r", "o\r"}));
            EXPECT_EQ(t.sched.Now() - before, 100) << "100 ms between the two";
        } else {
            EXPECT_TRUE(t.link.sent.empty());
        }
        EXPECT_FALSE(t.link.IsOpen());
    }
}

TEST(MainWindow, AlternateRemoteEntriesQueueTheirCommands) {
    Window t;
    t.w->Load();
    t.w->Menu("mnuCommARM")->trigger();
    EXPECT_EQ(t.w->Probe().PendingCmnd(), "P1\r");
    t.w->Menu("mnuCommASCII")->trigger();
    EXPECT_EQ(t.w->Probe().PendingCmnd(), "P2\r");
    t.w->Menu("mnuCommARProbe")->trigger();
    EXPECT_TRUE(t.w->Menu("mnuCommARProbe")->isChecked());
    EXPECT_EQ(t.w->Probe().StartARProbe(), 1);
    t.w->Menu("mnuCommARProbe")->trigger();
    EXPECT_EQ(t.w->Probe().StartARProbe(), 0);
}

TEST(MainWindow, AboutShowsUnknownUntilTheProbeTold) {
    Window t;
    t.w->Load();
    t.w->Menu("mnuHelpAbout")->trigger();
    EXPECT_EQ(t.dialogs.about.Model, "Unknown");
    EXPECT_EQ(t.dialogs.about.SerialNo, "Unknown");
    t.w->State().ProbeData = ":I00000730200300000123450615202600\r";
    t.w->State().ProbeData.resize(33);
    t.w->State().ProbeData += "\r";
    t.w->Process7300Format();
    t.w->Menu("mnuHelpAbout")->trigger();
    EXPECT_EQ(t.dialogs.about.SoftRev, "0730200300");
    EXPECT_EQ(t.dialogs.about.SerialNo, "00012345");
    EXPECT_EQ(t.dialogs.about.CalDate, "06/15/2026");
}

TEST(MainWindow, SampleRateAndTextThrottle) {
    Window t;
    t.w->Load();
    EXPECT_EQ(t.w->SetTextUpdateTimer(100), 70);
    EXPECT_EQ(t.w->SetTextUpdateTimer(10), 10);
    t.w->SetSampleRate("Max");
    EXPECT_EQ(t.w->State().MaxSpeedFlag, -1);
    EXPECT_EQ(t.w->State().RthresEnabled, 1);
    t.w->SetSampleRate("25");
    EXPECT_EQ(t.w->State().MaxSpeedFlag, 0);
    EXPECT_EQ(t.w->State().RthresEnabled, 1) << "leaving Max keeps the receive mode";
    EXPECT_EQ(t.w->Probe().SampleRate(), 25);
    t.w->SetSampleRate("abc");
    EXPECT_EQ(t.w->State().SampleRate, "0");
    EXPECT_EQ(t.w->Probe().SampleRate(), 25) << "a rate of 0 changes nothing else";
}

TEST(MainWindow, OpeningALogFillsTheGraphStoreAndHeaderList) {
    Window t;
    t.w->Load();
    const fs::path log = t.folder / "run.csv";
    std::ofstream(log, std::ios::binary)
        << "Header\r\nFile,run.csv\r\nSamples,3\r\nGraphScale,0-100\r\nUnits,V/m\r\n"
           "EndHeader\r\nTime ,Field V/m,X V/m,Y V/m,Z V/m\r\n"
           "08:00:00,12.5,7,8,6\r\n08:00:01,13.5,7.5,8.5,6.5\r\n08:00:02,1.5E-05,0,0,0\r\n";
    t.prompts.fileName = log.string();
    t.w->Menu("mnuFileOpen")->trigger();
    clsGraph& g = t.w->GRGraph();
    EXPECT_EQ(g.DataCnt(), 3);
    EXPECT_FLOAT_EQ(g.ReadData(1, 1), 8 * 3600 / 86400.0f);
    EXPECT_FLOAT_EQ(g.ReadData(2, 2), 13.5f);
    EXPECT_FLOAT_EQ(g.ReadData(2, 5), 6.5f);
    EXPECT_FLOAT_EQ(g.ReadData(3, 2), 1.5e-5f);
    EXPECT_EQ(t.w->Graphs().AppliedScale, "0-100");
    EXPECT_FALSE(t.w->Graphs().LiveDisplay);
    EXPECT_FALSE(t.w->Menu("mnuViewScatterLive")->isChecked());
    EXPECT_EQ(t.w->Label("LabRecordCnt")->text(), "3");
    EXPECT_EQ(t.w->StatusPanel(), "Completed");
    EXPECT_TRUE(t.w->Menu("tbZoomIn")->isEnabled());
    EXPECT_TRUE(t.prompts.asked.empty());
    // A file that cannot be read is reported and the store stays empty.
    t.prompts.fileName = (t.folder / "missing.csv").string();
    t.w->Menu("mnuFileOpen")->trigger();
    ASSERT_EQ(t.prompts.asked.size(), 1u);
    EXPECT_NE(t.prompts.asked[0].text.find("missing.csv"), std::string::npos);
    EXPECT_EQ(g.DataCnt(), 0);
    // Cancelling the dialog does nothing.
    t.prompts.fileName.reset();
    t.w->Menu("mnuFileOpen")->trigger();
    EXPECT_EQ(t.prompts.asked.size(), 1u);
}

// The laser unit and fiber probe answering through the fake port, one reply per command.
struct FiberOnTheLine {
    sim::SimFiberUnit unit;
    std::string pending;
    explicit FiberOnTheLine(Window& t, double field)
        : unit(
              [field](double) {
                  return std::array<double, 3>{field, field, field};
              },
              {}) {
        t.link.OnOutput = [this](const std::string& cmd) {
            const auto reply = unit.Answer(cmd.substr(0, cmd.size() - 1), 0);
            if (reply) {
                pending += *reply;
            }
        };
    }
    // Virtual time in 5 ms steps, each answer arriving in the step after its command.
    void Run(Window& t, int ms) {
        for (int i = 0; i < ms / 5; ++i) {
            t.sched.Advance(5);
            if (!pending.empty()) {
                std::string r;
                r.swap(pending);
                t.link.Receive(r);
            }
        }
    }
};

TEST(MainWindow, FiberProbeStartsAndShowsItsReadings) {
    Window t;
    t.dialogs.portAnswer = 3;
    t.w->Load();
    FiberOnTheLine line(t, 5.0);
    t.w->Cycle().CmdStart();
    line.Run(t, 3000);
    ASSERT_EQ(t.w->State().LaserState, kLaserRunning);
    EXPECT_EQ(t.w->Probe().TypeNumb(), 1);
    EXPECT_EQ(t.w->Probe().GetModel(), "KD-7310");
    EXPECT_EQ(t.w->KD7300cls().RawCal().size(), 579u) << "calibration upload taken";
    // 5 V/m on each axis; readouts refresh on the text timer.
    EXPECT_EQ(t.w->Label("LabXField")->text(), "5.000");
    EXPECT_EQ(t.w->Label("LabXYZField")->text(), "8.660");
    EXPECT_EQ(t.w->Label("LabMaxXYZ")->text(), "8.660");
    EXPECT_TRUE(t.w->Label("LabUnits")->isVisibleTo(t.w.get()));
    EXPECT_EQ(t.w->Label("LabUnits")->text(), "V/m");
    EXPECT_GT(t.w->State().RepliesProcessed, 20);
    // The sweep moved and the bars grew.
    EXPECT_GT(t.w->Graphs().SweepPos, 1);
    EXPECT_NE(t.w->GRGraph().LastPoint(3).first, 0);
    EXPECT_GT(t.w->GRBarGraph().PeakPos(0), t.w->GRBarGraph().BarOrigin());
    // Off: the laser goes off on the next read tick.
    t.w->Cycle().CmdOff();
    line.Run(t, 300);
    EXPECT_EQ(t.w->State().LaserState, kLaserOff);
    EXPECT_EQ(t.link.sent.back(), "o\r");
    EXPECT_EQ(t.w->Label("LabXYZField")->text(), "No Probe");
}

TEST(MainWindow, UnitStatusReplyFillsTheLaserLabels) {
    Window t;
    t.w->Load();
    // Converter 0x0376, probe 24.5 C (0x1324 / 200), laser temperature FFFF, current 0x0BFF.
    t.w->State().ProbeData = ":s000000000000"
                             "0376"
                             "1324"
                             "000000"
                             "FFFF"
                             "0BFF"
                             "\r";
    t.w->ProcessSmallS();
    EXPECT_EQ(t.w->Label("LabLaserCur")->text(), "1.250");
    EXPECT_EQ(t.w->Label("LabConVolt")->text(), "5.00 V");
    EXPECT_EQ(t.w->Label("LabLasTemp")->text(), QString::fromUtf8("-0.1 \xC2\xB0"
                                                                  "C"));
    EXPECT_EQ(t.w->Label("LabTemp")->text(), QString::fromUtf8("24.5 \xC2\xB0"
                                                               "C"));
}

} // namespace
} // namespace vireon::test

int main(int argc, char** argv) {
    // The window's placement store must not touch the user's own settings.
    const std::string home = testing::TempDir() + "frmmain-home";
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    std::filesystem::remove_all(home);
    return rc;
}
