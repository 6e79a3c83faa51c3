// GraphPicture and QtSurface on the offscreen platform.

#include "graph/ClsBarGraph.h"
#include "graph/clsGraph.h"
#include "graph/qt/GraphPicture.h"
#include "graph/qt/QtGraphHost.h"
#include "graph/qt/RepaintPacer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace vireon {
namespace {

QColor PixelAt(const QImage& image, const QtSurface& s, double x, double y) {
    return image.pixelColor(s.ToPxX(x), s.ToPxY(y));
}

TEST(GraphPicture, LineAppearsAndSurvivesARepaint) {
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

// One engine drawing readings on a surface, as the window feeds it.
class Readings {
public:
    virtual ~Readings() = default;
    virtual void Reading(int i) = 0;

protected:
    // A field that rises and falls, with a spike now and then.
    static float Field(int i) {
        return static_cast<float>(6.0 + 4.0 * std::sin(i * 0.21) + (i % 37 == 0 ? 30.0 : 0.0));
    }
};

class Sweep : public Readings {
public:
    explicit Sweep(QtSurface& s) {
        s.BackColor(RGB(0, 0, 64));
        g_.OutputObj(&s);
        g_.Left(100);
        g_.Top(100);
        g_.Width(static_cast<int16_t>(s.ScaleWidth() - 200));
        g_.Height(static_cast<int16_t>(s.ScaleHeight() - 100));
        g_.GraphType(3);
        g_.NoVerDiv(4);
        g_.YAxisLogMax(1000.0F);
        g_.DisHorLines(1);
        g_.SamPerDiv(8.0F);
        for (int16_t t = 2; t <= 5; ++t) {
            g_.TraceSet(t, 1);
        }
        g_.Graph(1);
    }
    void Reading(int i) override {
        const auto p = static_cast<int16_t>(i % static_cast<int>(g_.ReTraceCnt()) + 1);
        g_.ScrollErase(p);
        for (int16_t t = 2; t <= 5; ++t) {
            g_.Scroll(p, Field(i) * static_cast<float>(t), t);
        }
    }

private:
    clsGraph g_;
};

class Bars : public Readings {
public:
    explicit Bars(QtSurface& s) {
        s.BackColor(RGB(0, 0, 64));
        b_.OutputObj(&s);
        b_.DrawScale(0.0F, 10.0F, 5, 0);
    }
    void Reading(int i) override {
        if (i == 120) {
            b_.ClearPeak();
        }
        if (i == 200) {
            b_.DrawScale(0.0F, 20.0F, 4, 0);
        }
        b_.DrawBarXYZ(Field(i) * 2.0F);
        b_.DrawBarX(Field(i));
        b_.DrawBarY(Field(i + 5));
        b_.DrawBarZ(7.0F); // steady: its bar is never repainted
    }

private:
    ClsBarGraph b_;
};

// What the window shows on screen (the offscreen platform's backing store), not a fresh paint.
QImage OnScreen(GraphPicture& w) {
    return w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Lets the paced repaints that wait for their frame reach the screen.
void Settle() {
    QElapsedTimer waited;
    waited.start();
    while (RepaintPacer::Instance().Waiting() && waited.elapsed() < 5000) {
        QTest::qWait(1);
    }
    QCoreApplication::processEvents();
}

// Repainting only the changed pixels once per frame shows, pixel for pixel, what repainting
// the whole picture after every reading showed.
TEST(GraphPicture, PacedRepaintsShowWhatWholeRepaintsShow) {
    const std::pair<const char*, std::function<std::unique_ptr<Readings>(QtSurface&)>> cases[] = {
        {"time graph", [](QtSurface& s) { return std::make_unique<Sweep>(s); }},
        {"bar graph", [](QtSurface& s) { return std::make_unique<Bars>(s); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        GraphPicture whole;
        GraphPicture paced;
        for (GraphPicture* p : {&whole, &paced}) {
            p->resize(400, 160);
            p->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(p));
        }
        whole.Surface().OnChanged(nullptr); // only the repaint after each reading shows it
        const auto a = make(whole.Surface());
        const auto b = make(paced.Surface());
        Settle();
        const QImage before = OnScreen(paced);
        for (int i = 0; i < 250; ++i) {
            a->Reading(i);
            whole.repaint();
            b->Reading(i);
            if (i % 3 == 0) {
                QCoreApplication::processEvents();
            }
            if (i % 50 == 49) {
                Settle();
                ASSERT_EQ(OnScreen(paced), OnScreen(whole)) << "after reading " << i;
            }
        }
        EXPECT_NE(OnScreen(paced), before);
    }
}

// A reading repaints only what it changed: the sweep's new strip, the bars whose length moved.
TEST(GraphPicture, OnlyWhatAReadingChangedIsRepainted) {
    QtSurface bars(96, 96);
    bars.Resize(400, 160);
    ClsBarGraph b;
    b.OutputObj(&bars);
    b.DrawScale(0.0F, 10.0F, 5, 0);
    b.DrawBarX(7.0F);
    b.DrawBarZ(7.0F);
    bars.TakeChanged();
    b.DrawBarX(7.0F);
    b.DrawBarZ(7.0F);
    EXPECT_TRUE(bars.TakeChanged().isEmpty()) << "bars at the lengths they had";
    b.DrawBarX(8.0F);
    b.DrawBarZ(7.0F);
    const auto end = [&](float v) {
        return bars.ToPxX(b.BarOrigin() + std::lround(b.CalBarLenght(v)));
    };
    const int top = bars.ToPxY(675); // bar X
    EXPECT_EQ(bars.TakeChanged(),
              QRegion(end(7.0F), top, end(8.0F) - end(7.0F), bars.ToPxY(775) - top));

    QtSurface sweep(96, 96);
    sweep.Resize(400, 160);
    Sweep s(sweep);
    for (int i = 0; i < 30; ++i) {
        s.Reading(i);
    }
    sweep.TakeChanged();
    s.Reading(30);
    const QRect step = sweep.TakeChanged().boundingRect();
    // Samples lie about 5 pixels apart: the erased strip and the lines back to the last ones.
    EXPECT_GT(step.width(), 5);
    EXPECT_LE(step.width(), 15) << "not the whole picture";
}

TEST(GraphPicture, FullRedrawDrivesProgressBarAndCursor) {
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
