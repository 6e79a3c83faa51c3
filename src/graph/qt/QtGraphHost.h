#pragma once
// Qt pieces the window can plug straight into the engines:
// - QtGraphHost: DrawLines' busy cursor and the window's progress bar (ProgressBar1);
// - PictureZoomView: GraphZoom's rubber band on a GraphPicture, the status text through a
//   callback (the window posts it to its status bar and restarts its refresh count).

#include "graph/GraphZoom.h"
#include "graph/clsGraph.h"
#include "graph/qt/GraphPicture.h"

#include <QPointer>
#include <QProgressBar>

#include <functional>
#include <string>

namespace vireon {

class QtGraphHost : public GraphHost {
public:
    explicit QtGraphHost(QProgressBar* progress) : progress_(progress) {}
    void BusyCursor(bool on) override;
    void ProgressStart(int32_t maximum) override;
    void ProgressValue(int32_t value) override;
    void ProgressEnd() override;

private:
    QPointer<QProgressBar> progress_;
    bool busy_ = false;
};

class PictureZoomView : public ZoomView {
public:
    PictureZoomView(GraphPicture& picture, std::function<void(const std::string&)> status)
        : picture_(picture), status_(std::move(status)) {}
    void ShowZoomBand(const ZoomBand& band) override { picture_.ShowBand(band); }
    void HideZoomBand() override { picture_.HideBand(); }
    void StatusText(const std::string& text) override {
        if (status_) {
            status_(text);
        }
    }

private:
    GraphPicture& picture_;
    std::function<void(const std::string&)> status_;
};

} // namespace vireon
