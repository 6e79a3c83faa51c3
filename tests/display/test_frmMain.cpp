// The main window's widgets on the offscreen platform, driven through real QActions and
// labels, over the window core on fakes and virtual time.

#include "display/qt/frmMain.h"
#include "graph/qt/GraphPicture.h"
#include "support/FakeWindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QToolBar>
#include <gtest/gtest.h>

namespace vireon::test {
namespace {

struct Window : PlatformFakes {
    std::unique_ptr<frmMain> w;

    Window() {
        // Tall enough for both graphs (the first run's window leaves the time graph no room).
        store.values["Settings/MainHeight"] = "12000";
        w = std::make_unique<frmMain>(Platform());
        w->Load();
        w->show();
        QApplication::processEvents();
    }
    ~Window() { w.reset(); }
};

// Qt flips a checkable entry's mark before `triggered`; the view switches must still switch.
TEST(MainWindow, CheckableViewEntriesSwitchWhatTheyShow) {
    Window t;
    WindowState& s = t.w->Core().State();
    const std::pair<Act, std::function<bool()>> cases[] = {
        {Act::mnuViewBarGraph, [&] { return !t.w->Control(Ctl::Picture3)->isHidden(); }},
        {Act::mnuViewScatterGraph, [&] { return !t.w->Control(Ctl::Picture1)->isHidden(); }},
        {Act::mnuViewScatterLive, [&] { return s.Graph.LiveDisplay; }},
        {Act::mnuProbePlotComposite, [&] { return s.Graph.PlotComp == 1; }},
        {Act::mnuViewToolbar, [&] { return !t.w->ToolBar()->isHidden(); }},
    };
    for (const auto& [entry, on] : cases) {
        QAction* a = t.w->Action(entry);
        const bool before = a->isChecked();
        ASSERT_EQ(on(), before) << a->objectName().toStdString();
        a->trigger();
        EXPECT_EQ(a->isChecked(), !before) << a->objectName().toStdString();
        EXPECT_EQ(on(), !before) << a->objectName().toStdString();
        a->trigger();
        EXPECT_EQ(on(), before) << a->objectName().toStdString();
    }
    // Entries that only show a state keep their mark where the state is.
    QAction* baud = t.w->Action(BaudEntry(0));
    baud->trigger();
    EXPECT_TRUE(baud->isChecked());
    t.w->Action(CommEntry(2))->trigger();
    EXPECT_TRUE(t.w->Action(CommEntry(2))->isChecked());
    EXPECT_FALSE(t.w->Action(CommEntry(3))->isChecked());
}

// The squared unit crosses into Qt as "²" and back as its Windows-1252 byte.
TEST(MainWindow, UnitTextsCrossTheWidgetBoundaryIntact) {
    Window t;
    t.w->Core().State().ProbeUnits = "V2/m2";
    t.w->Core().Fiber().SetUp7300();
    EXPECT_EQ(t.w->Label(Ctl::LabUnits)->text(), QString::fromUtf8("(V/m)\xC2\xB2"));
    t.w->Action(Act::tbZoomOut)->trigger();
    EXPECT_EQ(t.w->Core().GRGraph().VerUnitsDesc(), "(V/m)\xB2");
}

// The bar graph spans the window as it widens and narrows.
TEST(MainWindow, TheBarGraphFollowsTheWindowWidth) {
    Window t;
    QWidget* bar = t.w->Control(Ctl::Picture3);
    QWidget* client = t.w->centralWidget();
    for (int width : {700, 1100, 800}) {
        t.w->resize(width, 900);
        QApplication::processEvents();
        EXPECT_FALSE(bar->isHidden()) << width;
        EXPECT_NEAR(bar->width(), client->width() - 16, 2) << width;
        EXPECT_NEAR(t.w->Picture(Ctl::Picture3)->Surface().ScaleWidth(), bar->width() * 15.0, 30)
            << "the scale is drawn for the new width";
    }
}

TEST(MainWindow, APlacementOnNoScreenIsBroughtBackOntoOne) {
    Window t;
    t.w->Placement(WindowPlacement{60000, 50000, 9000, 7000, 0}); // far right of any screen
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(t.w->geometry().topLeft())) << t.w->x() << "," << t.w->y();
    t.w->Placement(WindowPlacement{150, 300, 9000, 7000, 0}); // on the screen: left alone
    EXPECT_EQ(t.w->pos(), QPoint(10, 20));
}

// Log entries checked by Qt on the click show the logging state; the pause button stays
// pressed while paused; closing with unsaved readings asks, and Cancel keeps the window; File >
// Exit and the close that follows it run the shutdown once.
TEST(MainWindow, LoggingEntriesAndTheQuestionOnClosing) {
    Window t;
    WindowState& s = t.w->Core().State();
    t.w->Action(Act::mnuProbeRecord)->trigger();
    EXPECT_TRUE(t.w->Action(Act::mnuProbeRecord)->isChecked());
    t.w->Action(Act::tbRecordPause)->trigger();
    EXPECT_TRUE(t.w->Action(Act::tbRecordPause)->isChecked());
    EXPECT_TRUE(t.w->Action(Act::mnuProbeRecordPause)->isChecked());
    t.w->Action(Act::mnuProbeRecordPause)->trigger();
    EXPECT_FALSE(t.w->Action(Act::tbRecordPause)->isChecked());
    t.w->Core().LogProbeReading();
    QSignalSpy unloaded(t.w.get(), &frmMain::Unloaded);
    t.prompts.answers = {MsgResult::Cancel, MsgResult::No};
    t.w->close();
    EXPECT_TRUE(t.w->isVisible());
    EXPECT_EQ(unloaded.count(), 0);
    EXPECT_EQ(s.RecordOn, 1) << "still logging";
    t.w->Action(Act::mnuFileExit)->trigger();
    t.w->close();
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_EQ(t.prompts.asked.size(), 2u);
    EXPECT_EQ(t.dialogs.unloadAll, 1);
    EXPECT_FALSE(t.link.IsOpen());
}

} // namespace
} // namespace vireon::test
