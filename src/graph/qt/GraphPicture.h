#pragma once
// GraphPicture: a picture box for the graphs (the window's Picture1 and Picture3).
//
// How the window uses it: hand Surface() to the engine's OutputObj; connect MouseDown/
// MouseMove/MouseUp (twips, button mask 1 left, 2 right, 4 middle; shift mask 1 shift,
// 2 control, 4 alt) to GraphZoom or the peak reset, and Resized to the layout code. The
// widget shows the surface's persistent image, so covering it needs no redraw by the engine.
// What the engine draws reaches the screen through the RepaintPacer: only the changed pixels,
// at most once per screen refresh. ShowBand/HideBand draw the zoom rubber band (ShpZoom) on top
// without touching the image.

#include "graph/GraphZoom.h"
#include "graph/qt/QtSurface.h"

#include <QWidget>

#include <optional>

namespace vireon {

class GraphPicture : public QWidget {
    Q_OBJECT
public:
    explicit GraphPicture(QWidget* parent = nullptr);

    QtSurface& Surface() { return surface_; }
    // Size of the picture in twips.
    double ScaleWidth() const { return surface_.ScaleWidth(); }
    double ScaleHeight() const { return surface_.ScaleHeight(); }

    // Asks Qt to repaint what changed on the surface since the last call (the pacer calls it).
    void ShowChanges();

    void ShowBand(const ZoomBand& band);
    void HideBand();
    std::optional<ZoomBand> Band() const { return band_; }

signals:
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Forward(QMouseEvent* event, int kind);

    QtSurface surface_;
    std::optional<ZoomBand> band_;
};

} // namespace vireon
