#pragma once
// Window coordinates are kept in twips (1/1440 inch) and mapped to pixels by the screen's
// logical resolution.

#include "graph/DrawingSurface.h"

#include <QRect>
#include <QWidget>
#include <cmath>

namespace vireon {

inline int TwipsToPx(const QWidget* w, double twips) {
    return static_cast<int>(std::lround(twips * w->logicalDpiX() / 1440.0));
}
inline double PxToTwips(const QWidget* w, int px) {
    return px * 1440.0 / w->logicalDpiX();
}

inline void PlaceTwips(QWidget* child, double left, double top, double width, double height) {
    const QWidget* ref = child->parentWidget() != nullptr ? child->parentWidget() : child;
    child->setGeometry(TwipsToPx(ref, left), TwipsToPx(ref, top), TwipsToPx(ref, width),
                       TwipsToPx(ref, height));
}

// 24-bit colour with red in the low byte.
inline QColor ColorFromLong(int32_t c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

} // namespace vireon
