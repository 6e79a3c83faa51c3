#include "graph/GraphZoom.h"

namespace vireon {

void GraphZoom::ZoomInButton(bool liveDisplayOn) {
    if (liveDisplayOn) {
        return;
    }
    graph_.ZoomCnt(1);
    view_.StatusText(kHint);
}

void GraphZoom::MouseDown(int button, double x, double y) {
    if ((button & kLeftButton) == 0) {
        return;
    }
    startX_ = static_cast<float>(x);
    startY_ = static_cast<float>(y);
    if (graph_.ZoomCnt() == 1) {
        band_ = ZoomBand{x, y, 50.0, 50.0};
        view_.ShowZoomBand(*band_);
        graph_.ZoomCnt(2);
    }
}

void GraphZoom::MouseMove(int button, double x, double y) {
    if ((button & kLeftButton) == 0 || graph_.ZoomCnt() != 2 || !band_) {
        return;
    }
    bool changed = false;
    if (y > band_->Top) {
        band_->Height = y - band_->Top;
        changed = true;
    }
    if (x > band_->Left) {
        band_->Width = x - band_->Left;
        changed = true;
    }
    if (changed) {
        view_.ShowZoomBand(*band_);
    }
}

void GraphZoom::MouseUp(int /*button*/, double x, double y) {
    if (graph_.ZoomCnt() != 2) {
        return;
    }
    graph_.ZoomIn(startX_, startY_, static_cast<float>(x), static_cast<float>(y));
    band_.reset();
    view_.HideZoomBand();
}

} // namespace vireon
