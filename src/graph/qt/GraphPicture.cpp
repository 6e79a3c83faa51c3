#include "graph/qt/GraphPicture.h"

#include "graph/qt/RepaintPacer.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace vireon {

namespace {

int ButtonMask(Qt::MouseButtons buttons) {
    int mask = 0;
    if ((buttons & Qt::LeftButton) != 0) {
        mask |= 1;
    }
    if ((buttons & Qt::RightButton) != 0) {
        mask |= 2;
    }
    if ((buttons & Qt::MiddleButton) != 0) {
        mask |= 4;
    }
    return mask;
}

int ShiftMask(Qt::KeyboardModifiers mods) {
    int mask = 0;
    if ((mods & Qt::ShiftModifier) != 0) {
        mask |= 1;
    }
    if ((mods & Qt::ControlModifier) != 0) {
        mask |= 2;
    }
    if ((mods & Qt::AltModifier) != 0) {
        mask |= 4;
    }
    return mask;
}

} // namespace

GraphPicture::GraphPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    surface_.SetFont(font());
    surface_.Resize(width(), height());
    surface_.OnChanged([this] { RepaintPacer::Instance().Changed(this); });
}

void GraphPicture::ShowChanges() {
    const QRegion changed = surface_.TakeChanged();
    // A hidden picture is repainted whole when it is shown.
    if (isVisible()) {
        update(changed);
    }
}

void GraphPicture::ShowBand(const ZoomBand& band) {
    band_ = band;
    update();
}

void GraphPicture::HideBand() {
    band_.reset();
    update();
}

void GraphPicture::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QImage& image = surface_.Image();
    for (const QRect& r : event->region()) {
        p.drawImage(r, image, r);
    }
    if (band_) {
        p.setPen(QPen(Qt::white, 0));
        p.setBrush(Qt::NoBrush);
        const int l = surface_.ToPxX(band_->Left);
        const int t = surface_.ToPxY(band_->Top);
        p.drawRect(l, t, surface_.ToPxX(band_->Left + band_->Width) - l,
                   surface_.ToPxY(band_->Top + band_->Height) - t);
    }
}

void GraphPicture::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    surface_.Resize(width(), height());
    emit Resized();
}

void GraphPicture::Forward(QMouseEvent* event, int kind) {
    const QPointF pos = event->position();
    const double x = surface_.ToTwipsX(pos.x());
    const double y = surface_.ToTwipsY(pos.y());
    const int shift = ShiftMask(event->modifiers());
    switch (kind) {
    case 0:
        emit MouseDown(ButtonMask(event->button()), shift, x, y);
        break;
    case 1:
        emit MouseMove(ButtonMask(event->buttons()), shift, x, y);
        break;
    default:
        emit MouseUp(ButtonMask(event->button()), shift, x, y);
        break;
    }
}

void GraphPicture::mousePressEvent(QMouseEvent* event) {
    Forward(event, 0);
}
void GraphPicture::mouseMoveEvent(QMouseEvent* event) {
    Forward(event, 1);
}
void GraphPicture::mouseReleaseEvent(QMouseEvent* event) {
    Forward(event, 2);
}

void GraphPicture::changeEvent(QEvent* event) {
    // Labels are measured and printed in the picture's own font.
    if (event->type() == QEvent::FontChange) {
        surface_.SetFont(font());
    }
    QWidget::changeEvent(event);
}

} // namespace vireon
