// GraphPicture and QtSurface on the offscreen platform.

#include "graph/clsGraph.h"
#include "graph/qt/GraphPicture.h"
#include "graph/qt/QtGraphHost.h"

#include <QApplication>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace vireon {
namespace {

// Lives until the process ends: Qt's test input devices must not outlive it at exit.
QApplication& App() {
    static int argc = 1;
    static char name[] = "graph_qt_tests";
    static char* argv[] = {name, nullptr};
    static auto* app = new QApplication(argc, argv);
    return *app;
}

QColor PixelAt(const QImage& image, const QtSurface& s, double x, double y) {
    return image.pixelColor(s.ToPxX(x), s.ToPxY(y));
}

TEST(GraphPicture, LineAppearsAndSurvivesARepaint) {
    App();
    GraphPicture picture;
    picture.resize(400, 300);
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    QtSurface& s = picture.Surface();
    s.BackColor(RGB(0, 0, 0));
    s.Clear();
    const double y = s.ToTwipsY(150);
    s.Line(s.ToTwipsX(10), y, s.ToTwipsX(390), y, RGB(255, 0, 0));

    QImage shown = picture.grab().toImage();
    EXPECT_EQ(shown.pixelColor(200, 150), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(200, 100), QColor(0, 0, 0));

    // Covering and uncovering repaints from the kept image.
    picture.hide();
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    picture.repaint();
    shown = picture.grab().toImage();
    EXPECT_EQ(shown.pixelColor(200, 150), QColor(255, 0, 0));

    // Growing keeps what was drawn; the new area takes the background colour.
    picture.resize(500, 300);
    QApplication::processEvents();
    const QImage& grown = s.Image();
    EXPECT_EQ(grown.width(), 500);
    EXPECT_EQ(PixelAt(grown, s, y * 0 + s.ToTwipsX(200), y), QColor(255, 0, 0));
    EXPECT_EQ(grown.pixelColor(450, 150), QColor(0, 0, 0));
}

TEST(GraphPicture, TwipsFollowTheLogicalResolution) {
    App();
    QtSurface s(96, 96);
    s.Resize(1280, 600);
    EXPECT_DOUBLE_EQ(s.ScaleWidth(), 1280 * 15.0);
    EXPECT_DOUBLE_EQ(s.ScaleHeight(), 600 * 15.0);

    // A filled strip narrower than a pixel covers nothing; strips side by side tile.
    s.BackColor(RGB(0, 0, 0));
    s.Clear();
    s.FillBox(150, 0, 157, 150, RGB(0, 255, 0));
    EXPECT_EQ(s.Image().pixelColor(10, 5), QColor(0, 0, 0));
    s.FillBox(150, 0, 165, 150, RGB(0, 255, 0));
    s.FillBox(165, 0, 180, 150, RGB(0, 0, 255));
    const QImage& img = s.Image();
    EXPECT_EQ(img.pixelColor(10, 5), QColor(0, 255, 0));
    EXPECT_EQ(img.pixelColor(11, 5), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(12, 5), QColor(0, 0, 0));
}

TEST(GraphPicture, MouseEventsArriveInTwipsWithTheButtonMask) {
    App();
    GraphPicture picture;
    picture.resize(300, 200);
    picture.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&picture));
    QSignalSpy down(&picture, &GraphPicture::MouseDown);
    QSignalSpy up(&picture, &GraphPicture::MouseUp);
    QTest::mousePress(&picture, Qt::LeftButton, Qt::ShiftModifier, QPoint(40, 30));
    QTest::mouseRelease(&picture, Qt::LeftButton, Qt::NoModifier, QPoint(80, 60));
    ASSERT_EQ(down.count(), 1);
    ASSERT_EQ(up.count(), 1);
    const QtSurface& s = picture.Surface();
    EXPECT_EQ(down[0][0].toInt(), 1);
    EXPECT_EQ(down[0][1].toInt(), 1);
    EXPECT_DOUBLE_EQ(down[0][2].toDouble(), s.ToTwipsX(40));
    EXPECT_DOUBLE_EQ(up[0][3].toDouble(), s.ToTwipsY(60));

    // The rubber band is drawn over the image, never into it.
    picture.Surface().BackColor(RGB(0, 0, 0));
    picture.Surface().Clear();
    picture.ShowBand(ZoomBand{s.ToTwipsX(20), s.ToTwipsY(20), s.ToTwipsX(100), s.ToTwipsY(50)});
    EXPECT_EQ(picture.grab().toImage().pixelColor(20, 20), QColor(255, 255, 255));
    EXPECT_EQ(picture.Surface().Image().pixelColor(20, 20), QColor(0, 0, 0));
    picture.HideBand();
    EXPECT_EQ(picture.grab().toImage().pixelColor(20, 20), QColor(0, 0, 0));
}

TEST(GraphPicture, FullRedrawDrivesProgressBarAndCursor) {
    App();
    QProgressBar bar;
    QtGraphHost host(&bar);
    QtSurface s(96, 96);
    s.Resize(640, 400);
    clsGraph g;
    g.OutputObj(&s);
    g.Host(&host);
    g.GraphType(0);
    g.TraceSet(2, 1);
    for (int16_t i = 1; i <= 2000; ++i) {
        g.WriteData(i, 2, static_cast<float>(i % 50));
    }
    g.ZoomOut();
    g.Graph(0);
    g.DrawLines();
    EXPECT_EQ(bar.maximum(), g.WindowSpan() + 1);
    EXPECT_NEAR(bar.value(), 2000 / 4, 10); // points drawn / 4
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace vireon
