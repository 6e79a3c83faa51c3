#pragma once
// GraphZoom: the rubber-band zoom on Picture1.
//
// How the window uses it: the toolbar's "ZoomIn" button calls ZoomInButton(live display on?);
// Picture1's mouse events are forwarded as they come, in twips, with the button mask
// (1 left, 2 right, 4 middle). The view shows or hides the band (ShpZoom) and posts the status
// text; the zoom itself (ZoomIn on clsGraph) redraws the graph.

#include "graph/clsGraph.h"

#include <optional>
#include <string>

namespace vireon {

struct ZoomBand {
    double Left = 0;
    double Top = 0;
    double Width = 0;
    double Height = 0;
};

class ZoomView {
public:
    virtual ~ZoomView() = default;
    virtual void ShowZoomBand(const ZoomBand& band) = 0;
    virtual void HideZoomBand() = 0;
    // First status-bar panel; the window also restarts its status refresh count.
    virtual void StatusText(const std::string& text) = 0;
};

class GraphZoom {
public:
    static constexpr int kLeftButton = 1;
    static constexpr const char* kHint =
        "Click on graph, hold button while moving mouse to the right and down.";

    GraphZoom(clsGraph& graph, ZoomView& view) : graph_(graph), view_(view) {}

    void ZoomInButton(bool liveDisplayOn);
    void MouseDown(int button, double x, double y);
    void MouseMove(int button, double x, double y);
    void MouseUp(int button, double x, double y);

    // The band while it is shown.
    std::optional<ZoomBand> Band() const { return band_; }
    double StartX() const { return startX_; }
    double StartY() const { return startY_; }

private:
    clsGraph& graph_;
    ZoomView& view_;
    float startX_ = 0.0F;
    float startY_ = 0.0F;
    std::optional<ZoomBand> band_;
};

} // namespace vireon
