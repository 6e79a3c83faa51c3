#pragma once
// QtSurface: the drawing surface of the program, a persistent QImage painted with QPainter.
// Twips map to image pixels by the screen's logical resolution (1440 twips per inch), so a
// covered window repaints from the image without the engine drawing again.
//
// How the window uses it: GraphPicture owns one and resizes it with the widget; the engines
// draw on it through DrawingSurface; the widget repaints the pixels TakeChanged() names from
// Image(). A filled box that leaves a pixel as it was does not count it as changed, so a bar
// redrawn at the same length changes nothing.

#include "graph/DrawingSurface.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <functional>
#include <memory>
#include <vector>

namespace vireon {

class QtSurface : public DrawingSurface {
public:
    // dpi 0 takes the primary screen's logical resolution (96 without a screen).
    explicit QtSurface(double dpiX = 0, double dpiY = 0);
    ~QtSurface() override;
    QtSurface(const QtSurface&) = delete;
    QtSurface& operator=(const QtSurface&) = delete;

    // New size in pixels; what was drawn stays in the top-left part, new area is background.
    void Resize(int widthPx, int heightPx);
    // The image to show; finishes any pending painting.
    const QImage& Image();
    void SetFont(const QFont& font);
    // The pixels changed since the last call, in image coordinates.
    QRegion TakeChanged();
    // Called at every change, e.g. to schedule a repaint.
    void OnChanged(std::function<void()> callback) { onChanged_ = std::move(callback); }

    double DpiX() const { return dpiX_; }
    double DpiY() const { return dpiY_; }
    double ToTwipsX(double px) const { return px * 1440.0 / dpiX_; }
    double ToTwipsY(double px) const { return px * 1440.0 / dpiY_; }
    int ToPxX(double twips) const;
    int ToPxY(double twips) const;
    static QColor ToQColor(int32_t colour);
    // A surface text (Windows-1252) for Qt.
    static QString ToQString(const std::string& text);

    void AutoRedraw(bool on) override { autoRedraw_ = on; }
    int32_t BackColor() const override { return back_; }
    void BackColor(int32_t colour) override { back_ = colour; }
    int32_t ForeColor() const override { return fore_; }
    void ForeColor(int32_t colour) override { fore_ = colour; }
    double ScaleWidth() const override { return ToTwipsX(image_.width()); }
    double ScaleHeight() const override { return ToTwipsY(image_.height()); }
    double TextWidth(const std::string& text) const override;
    double TextHeight(const std::string& text) const override;
    void Print(double x, double y, const std::string& text) override;
    void Line(double x1, double y1, double x2, double y2, int32_t colour) override;
    void Box(double x1, double y1, double x2, double y2, int32_t colour) override;
    void FillBox(double x1, double y1, double x2, double y2, int32_t colour) override;
    void Point(double x, double y, int32_t colour) override;
    void Circle(double x, double y, double radius, int32_t colour) override;
    void Clear() override;

private:
    QPainter& Painter();
    void Pen(int32_t colour);
    void Touched(const QRect& px);
    QRect Differing(const QRect& area, QRgb colour) const;

    double dpiX_;
    double dpiY_;
    QImage image_;
    QFont font_;
    std::unique_ptr<QPainter> painter_;
    int32_t penColour_ = -1;
    int32_t back_ = RGB(255, 255, 255);
    int32_t fore_ = 0;
    bool autoRedraw_ = true;
    // Changed areas, each the bounding box of changes that touch one another (a sweep's strip
    // and its lines, one bar): a handful of rectangles paint faster than their exact outline.
    std::vector<QRect> changed_;
    std::function<void()> onChanged_;
};

} // namespace vireon
