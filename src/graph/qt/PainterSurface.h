#pragma once
// PainterSurface: a drawing surface on a QPainter that is already painting on some device,
// such as a page of the survey report's PDF. Twips map to the device by its resolution, offset
// to an area of the page; nothing is drawn outside that area. Vector output: lines and text
// stay lines and text on the device.

#include "graph/DrawingSurface.h"

#include <QFont>
#include <QPainter>
#include <QRectF>

namespace vireon {

class PainterSurface : public DrawingSurface {
public:
    // area in device units; dpi the device's resolution; lineWidth in device units.
    PainterSurface(QPainter& painter, const QRectF& area, double dpi, const QFont& font,
                   double lineWidth);
    ~PainterSurface() override;
    PainterSurface(const PainterSurface&) = delete;
    PainterSurface& operator=(const PainterSurface&) = delete;

    // Device position of a point given in twips of the surface.
    QPointF ToDevice(double x, double y) const;

    void AutoRedraw(bool) override {}
    int32_t BackColor() const override { return back_; }
    void BackColor(int32_t colour) override { back_ = colour; }
    int32_t ForeColor() const override { return fore_; }
    void ForeColor(int32_t colour) override { fore_ = colour; }
    double ScaleWidth() const override { return area_.width() * 1440.0 / dpi_; }
    double ScaleHeight() const override { return area_.height() * 1440.0 / dpi_; }
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
    void Pen(int32_t colour);
    QRectF ToDevice(double x1, double y1, double x2, double y2) const;

    QPainter& p_;
    QRectF area_;
    double dpi_;
    QFont font_;
    double lineWidth_;
    int32_t back_ = RGB(255, 255, 255);
    int32_t fore_ = 0;
};

} // namespace vireon
