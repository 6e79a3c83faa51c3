#pragma once
// The main window as the controllers see it. The Qt side implements it over real widgets, the
// tests over a recording fake. Texts are Windows-1252; coordinates are twips.

#include "display/core/Controls.h"
#include "graph/DrawingSurface.h"
#include "graph/GraphZoom.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vireon {

struct TwipsRect {
    double Left = 0;
    double Top = 0;
    double Width = 0;
    double Height = 0;
    bool operator==(const TwipsRect&) const = default;
};

// Window placement in twips; State 0 normal, 1 minimised, 2 maximised.
struct WindowPlacement {
    double Left = 0;
    double Top = 0;
    double Width = 0;
    double Height = 0;
    int State = 0;
};

// Controls of the client area, addressed by id.
class ControlsView {
public:
    virtual ~ControlsView() = default;
    // A label's text; a screen reader reads it as the label's description.
    virtual void Text(Ctl c, const std::string& text) = 0;
    virtual std::string Text(Ctl c) const = 0;
    // What a screen reader is told: the control's name (what it is), and the description,
    // set after Text when the label shows more than its text (a state told by colour or
    // blinking).
    virtual void ReaderName(Ctl c, const std::string& name) = 0;
    virtual void ReaderText(Ctl c, const std::string& text) = 0;
    virtual void Visible(Ctl c, bool on) = 0;
    // As set, whether or not the window itself is shown.
    virtual bool Visible(Ctl c) const = 0;
    virtual void ForeColor(Ctl c, int32_t color) = 0;
    virtual void BackColor(Ctl c, int32_t color) = 0;
    virtual void Place(Ctl c, const TwipsRect& r) = 0;
    virtual TwipsRect Placed(Ctl c) const = 0;
    // Combo and list boxes: the entries, and the entry shown (false when it is not in the list).
    virtual void Items(Ctl c, const std::vector<std::string>& items) = 0;
    virtual void AddItem(Ctl c, const std::string& item) = 0;
    virtual bool Select(Ctl c, const std::string& text) = 0;
    virtual int ItemCount(Ctl c) const = 0;
    virtual void SelectIndex(Ctl c, int index) = 0;
    // ProgressBar1.
    virtual void Progress(int value) = 0;
};

// Menu entries and tool bar buttons.
class ActionsView {
public:
    virtual ~ActionsView() = default;
    virtual void Checked(Act a, bool on) = 0;
    virtual bool Checked(Act a) const = 0;
    virtual void Enabled(Act a, bool on) = 0;
    virtual bool Enabled(Act a) const = 0;
    virtual void Visible(Act a, bool on) = 0;
    virtual void Caption(Act a, const std::string& text) = 0;
};

// The frame: status bar, tool bar, pointer, client size and placement.
class FrameView {
public:
    virtual ~FrameView() = default;
    // First status bar panel, repainted at once.
    virtual void StatusText(const std::string& text) = 0;
    virtual void StatusBarVisible(bool on) = 0;
    virtual void ToolBarVisible(bool on) = 0;
    virtual void BusyPointer(bool busy) = 0;
    virtual void Caption(const std::string& text) = 0;
    // The window's background behind the controls.
    virtual void BackgroundColor(int32_t color) = 0;
    // Closes the window as File > Exit does (the window then runs the shutdown).
    virtual void CloseWindow() = 0;
    // Inner size of the client area below the tool bar, in twips.
    virtual double ClientWidth() const = 0;
    virtual double ClientHeight() const = 0;
    virtual bool Minimized() const = 0;
    virtual WindowPlacement Placement() const = 0;
    virtual void Placement(const WindowPlacement& p) = 0;
    // The graph pictures' drawing surfaces, and the zoom band drawn over Picture1.
    virtual DrawingSurface& Surface(Ctl picture) = 0;
    virtual void ShowZoomBand(const ZoomBand& band) = 0;
    virtual void HideZoomBand() = 0;
};

class WindowView : public ControlsView, public ActionsView, public FrameView {
public:
    using ActionsView::Caption;
    using ActionsView::Visible;
    using ControlsView::Visible;
    using FrameView::Caption;
};

// The per-user settings store of the window placement: text values by section and key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::string Get(const std::string& section, const std::string& key,
                            const std::string& fallback) const = 0;
    virtual void Set(const std::string& section, const std::string& key,
                     const std::string& value) = 0;
};

} // namespace vireon
