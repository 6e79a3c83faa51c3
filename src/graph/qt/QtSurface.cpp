#include "graph/qt/QtSurface.h"

#include "common/numfmt.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace vireon {

namespace {

double ScreenDpi(bool x) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return 96.0;
    }
    const double dpi = x ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? dpi : 96.0;
}

// Keeps far-off coordinates in a range QPainter and int handle.
int ToPx(double twips, double dpi) {
    const double px = twips * dpi / 1440.0;
    if (!std::isfinite(px)) {
        return px > 0 ? 1000000 : -1000000;
    }
    return static_cast<int>(std::lround(std::clamp(px, -1.0e6, 1.0e6)));
}

QString ToQString(const std::string& text) {
    return QString::fromStdString(Cp1252ToUtf8(text));
}

} // namespace

QtSurface::QtSurface(double dpiX, double dpiY)
    : dpiX_(dpiX > 0 ? dpiX : ScreenDpi(true)), dpiY_(dpiY > 0 ? dpiY : ScreenDpi(false)),
      image_(1, 1, QImage::Format_RGB32) {
    image_.setDotsPerMeterX(static_cast<int>(std::lround(dpiX_ / 0.0254)));
    image_.setDotsPerMeterY(static_cast<int>(std::lround(dpiY_ / 0.0254)));
    image_.fill(ToQColor(back_));
}

QtSurface::~QtSurface() {
    if (painter_) {
        painter_->end();
    }
}

int QtSurface::ToPxX(double twips) const {
    return ToPx(twips, dpiX_);
}
int QtSurface::ToPxY(double twips) const {
    return ToPx(twips, dpiY_);
}

QColor QtSurface::ToQColor(int32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

QPainter& QtSurface::Painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setFont(font_);
        penColour_ = -1;
    }
    if (!dirty_) {
        dirty_ = true;
        if (onChanged_) {
            onChanged_();
        }
    }
    return *painter_;
}

void QtSurface::Pen(int32_t colour) {
    if (colour != penColour_) {
        painter_->setPen(ToQColor(colour));
        penColour_ = colour;
    }
}

void QtSurface::Resize(int widthPx, int heightPx) {
    widthPx = std::max(widthPx, 1);
    heightPx = std::max(heightPx, 1);
    if (widthPx == image_.width() && heightPx == image_.height()) {
        return;
    }
    const QImage old = Image();
    QImage next(widthPx, heightPx, QImage::Format_RGB32);
    next.setDotsPerMeterX(image_.dotsPerMeterX());
    next.setDotsPerMeterY(image_.dotsPerMeterY());
    next.fill(ToQColor(back_));
    {
        QPainter p(&next);
        p.drawImage(0, 0, old);
    }
    image_ = next;
    dirty_ = false;
    if (onChanged_) {
        onChanged_();
    }
}

const QImage& QtSurface::Image() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
    dirty_ = false;
    return image_;
}

void QtSurface::SetFont(const QFont& font) {
    font_ = font;
    if (painter_) {
        painter_->setFont(font_);
    }
}

double QtSurface::TextWidth(const std::string& text) const {
    const QFontMetricsF fm(font_, &image_);
    return ToTwipsX(fm.horizontalAdvance(ToQString(text)));
}

double QtSurface::TextHeight(const std::string& /*text*/) const {
    const QFontMetricsF fm(font_, &image_);
    return ToTwipsY(fm.height());
}

void QtSurface::Print(double x, double y, const std::string& text) {
    if (text.empty()) {
        return;
    }
    QPainter& p = Painter();
    Pen(fore_);
    const QFontMetricsF fm(font_, &image_);
    p.drawText(QPointF(ToPxX(x), ToPxY(y) + fm.ascent()), ToQString(text));
}

void QtSurface::Line(double x1, double y1, double x2, double y2, int32_t colour) {
    QPainter& p = Painter();
    Pen(colour);
    p.drawLine(ToPxX(x1), ToPxY(y1), ToPxX(x2), ToPxY(y2));
}

void QtSurface::Box(double x1, double y1, double x2, double y2, int32_t colour) {
    QPainter& p = Painter();
    Pen(colour);
    const int l = ToPxX(std::min(x1, x2));
    const int t = ToPxY(std::min(y1, y2));
    const int r = ToPxX(std::max(x1, x2));
    const int b = ToPxY(std::max(y1, y2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(l, t, r - l, b - t);
}

void QtSurface::FillBox(double x1, double y1, double x2, double y2, int32_t colour) {
    // Half-open in pixels, so neighbouring strips tile without gaps or overlap.
    const int l = ToPxX(std::min(x1, x2));
    const int t = ToPxY(std::min(y1, y2));
    const int r = ToPxX(std::max(x1, x2));
    const int b = ToPxY(std::max(y1, y2));
    if (r <= l || b <= t) {
        return;
    }
    Painter().fillRect(l, t, r - l, b - t, ToQColor(colour));
}

void QtSurface::Point(double x, double y, int32_t colour) {
    QPainter& p = Painter();
    Pen(colour);
    p.drawPoint(ToPxX(x), ToPxY(y));
}

void QtSurface::Circle(double x, double y, double radius, int32_t colour) {
    QPainter& p = Painter();
    Pen(colour);
    p.setBrush(Qt::NoBrush);
    const double r = radius * dpiX_ / 1440.0;
    p.drawEllipse(QPointF(ToPxX(x), ToPxY(y)), r, r);
}

void QtSurface::Clear() {
    Painter().fillRect(image_.rect(), ToQColor(back_));
}

} // namespace vireon
