#include "graph/qt/PainterSurface.h"

#include "graph/qt/QtSurface.h"

#include <QFontMetricsF>
#include <QPen>

#include <algorithm>

namespace vireon {

PainterSurface::PainterSurface(QPainter& painter, const QRectF& area, double dpi, const QFont& font,
                               double lineWidth)
    : p_(painter), area_(area), dpi_(dpi), font_(font), lineWidth_(lineWidth) {
    p_.save();
    p_.setClipRect(area_);
    p_.setFont(font_);
    p_.setBrush(Qt::NoBrush);
}

PainterSurface::~PainterSurface() {
    p_.restore();
}

QPointF PainterSurface::ToDevice(double x, double y) const {
    return {area_.left() + x * dpi_ / 1440.0, area_.top() + y * dpi_ / 1440.0};
}

QRectF PainterSurface::ToDevice(double x1, double y1, double x2, double y2) const {
    return QRectF(ToDevice(std::min(x1, x2), std::min(y1, y2)),
                  ToDevice(std::max(x1, x2), std::max(y1, y2)));
}

void PainterSurface::Pen(int32_t colour) {
    QPen pen(QtSurface::ToQColor(colour), lineWidth_);
    pen.setCapStyle(Qt::FlatCap);
    p_.setPen(pen);
}

double PainterSurface::TextWidth(const std::string& text) const {
    return QFontMetricsF(font_, p_.device()).horizontalAdvance(QtSurface::ToQString(text)) *
           1440.0 / dpi_;
}

double PainterSurface::TextHeight(const std::string& /*text*/) const {
    return QFontMetricsF(font_, p_.device()).height() * 1440.0 / dpi_;
}

void PainterSurface::Print(double x, double y, const std::string& text) {
    if (text.empty()) {
        return;
    }
    Pen(fore_);
    const QFontMetricsF fm(font_, p_.device());
    p_.drawText(ToDevice(x, y) + QPointF(0, fm.ascent()), QtSurface::ToQString(text));
}

void PainterSurface::Line(double x1, double y1, double x2, double y2, int32_t colour) {
    Pen(colour);
    p_.drawLine(ToDevice(x1, y1), ToDevice(x2, y2));
}

void PainterSurface::Box(double x1, double y1, double x2, double y2, int32_t colour) {
    Pen(colour);
    p_.drawRect(ToDevice(x1, y1, x2, y2));
}

void PainterSurface::FillBox(double x1, double y1, double x2, double y2, int32_t colour) {
    p_.fillRect(ToDevice(x1, y1, x2, y2), QtSurface::ToQColor(colour));
}

void PainterSurface::Point(double x, double y, int32_t colour) {
    Pen(colour);
    p_.drawPoint(ToDevice(x, y));
}

void PainterSurface::Circle(double x, double y, double radius, int32_t colour) {
    Pen(colour);
    const double r = radius * dpi_ / 1440.0;
    p_.drawEllipse(ToDevice(x, y), r, r);
}

void PainterSurface::Clear() {
    p_.fillRect(area_, QtSurface::ToQColor(back_));
}

} // namespace vireon
