#include "graph/qt/QtSurface.h"

#include "common/numfmt.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

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

QString QtSurface::ToQString(const std::string& text) {
    return QString::fromStdString(Cp1252ToUtf8(text));
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
    return *painter_;
}

void QtSurface::Touched(const QRect& px) {
    const QRect r = px.intersected(image_.rect());
    if (r.isEmpty()) {
        return;
    }
    QRect merged = r;
    // Whatever it touches joins it, and what that touches in turn.
    for (auto it = changed_.begin(); it != changed_.end();) {
        if (it->adjusted(-1, -1, 1, 1).intersects(merged)) {
            merged |= *it;
            changed_.erase(it);
            it = changed_.begin();
        } else {
            ++it;
        }
    }
    changed_.push_back(merged);
    if (onChanged_) {
        onChanged_();
    }
}

QRegion QtSurface::TakeChanged() {
    QRegion region;
    for (const QRect& r : changed_) {
        region += r;
    }
    changed_.clear();
    return region;
}

namespace {

// Pixels are compared with a run of the colour a block at a time (memcmp is vectorised): a bar
// redrawn at its length is proven unchanged over its whole length.
constexpr int kBlock = 64;
using Block = std::array<QRgb, kBlock>;

bool Same(const QRgb* p, const Block& colour, int n) {
    return std::memcmp(p, colour.data(), static_cast<size_t>(n) * sizeof(QRgb)) == 0;
}

// Runs shorter than this are compared pixel by pixel: the erase-ahead strip is a pixel or two
// wide and hundreds of rows tall, and a library call per row would cost more than the compare.
constexpr int kNarrow = 16;

// The first pixel of [from, to) that is not the colour, or `to`.
int FirstOther(const QRgb* row, int from, int to, const Block& colour) {
    for (int n = std::min(kBlock, to - from); n >= kNarrow && Same(row + from, colour, n);
         n = std::min(kBlock, to - from)) {
        from += n;
    }
    while (from < to && row[from] == colour[0]) {
        ++from;
    }
    return from;
}

// One past the last pixel of [from, to) that is not the colour, or `from`.
int EndOfOther(const QRgb* row, int from, int to, const Block& colour) {
    for (int n = std::min(kBlock, to - from); n >= kNarrow && Same(row + to - n, colour, n);
         n = std::min(kBlock, to - from)) {
        to -= n;
    }
    while (to > from && row[to - 1] == colour[0]) {
        --to;
    }
    return to;
}

} // namespace

// The bounding box of the pixels in `area` (inside the image) that are not `colour` yet.
QRect QtSurface::Differing(const QRect& area, QRgb colour) const {
    Block block;
    block.fill(colour);
    QRect found;
    const uchar* bits = image_.constBits();
    const qsizetype perLine = image_.bytesPerLine();
    const int to = area.right() + 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(bits + y * perLine);
        const int first = FirstOther(row, area.left(), to, block);
        if (first < to) {
            found |= QRect(QPoint(first, y), QPoint(EndOfOther(row, first, to, block) - 1, y));
        }
    }
    return found;
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
    changed_.clear();
    Touched(image_.rect());
}

const QImage& QtSurface::Image() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
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
    const QString s = ToQString(text);
    const QPointF at(ToPxX(x), ToPxY(y) + fm.ascent());
    p.drawText(at, s);
    // Ink may reach past the advance (italics, overhangs); take both, with a pixel to spare.
    const QRectF advance(ToPxX(x), ToPxY(y), fm.horizontalAdvance(s), fm.height());
    Touched((fm.boundingRect(s).translated(at) | advance).toAlignedRect().adjusted(-1, -1, 1, 1));
}

namespace {
// The pixels a one-pixel pen can reach between two corners, with one to spare.
QRect Reach(int x1, int y1, int x2, int y2) {
    return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                 QPoint(std::max(x1, x2), std::max(y1, y2)))
        .adjusted(-1, -1, 1, 1);
}
} // namespace

void QtSurface::Line(double x1, double y1, double x2, double y2, int32_t colour) {
    QPainter& p = Painter();
    Pen(colour);
    const int l = ToPxX(x1);
    const int t = ToPxY(y1);
    const int r = ToPxX(x2);
    const int b = ToPxY(y2);
    p.drawLine(l, t, r, b);
    Touched(Reach(l, t, r, b));
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
    Touched(Reach(l, t, r, b));
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
    const QColor c = ToQColor(colour);
    // Only what is not that colour yet is filled and counted as changed.
    const QRect differing =
        Differing(QRect(l, t, r - l, b - t).intersected(image_.rect()), c.rgb());
    if (!differing.isEmpty()) {
        Painter().fillRect(differing, c);
        Touched(differing);
    }
}

void QtSurface::Point(double x, double y, int32_t colour) {
    QPainter& p = Painter();
    Pen(colour);
    const int px = ToPxX(x);
    const int py = ToPxY(y);
    p.drawPoint(px, py);
    Touched(Reach(px, py, px, py));
}

void QtSurface::Circle(double x, double y, double radius, int32_t colour) {
    QPainter& p = Painter();
    Pen(colour);
    p.setBrush(Qt::NoBrush);
    const double r = radius * dpiX_ / 1440.0;
    const QPointF centre(ToPxX(x), ToPxY(y));
    p.drawEllipse(centre, r, r);
    const double reach = std::isfinite(r) ? std::min(std::abs(r), 1.0e6) + 1 : 1.0e6;
    Touched(QRectF(centre - QPointF(reach, reach), centre + QPointF(reach, reach)).toAlignedRect());
}

void QtSurface::Clear() {
    Painter().fillRect(image_.rect(), ToQColor(back_));
    Touched(image_.rect());
}

} // namespace vireon
