#pragma once
// The main window's widgets: built from the control and menu tables, shown as the core tells
// through WindowView, and their events handed to the core. No decisions are taken here.

#include "display/core/WindowCore.h"
#include "display/core/WindowView.h"

#include <QMainWindow>
#include <array>
#include <memory>

class QAction;
class QLabel;
class QToolBar;

namespace vireon {

class GraphPicture;

class frmMain : public QMainWindow, public WindowView {
    Q_OBJECT
public:
    explicit frmMain(WindowPlatform platform, QWidget* parent = nullptr);
    ~frmMain() override;

    void Load() { core_->Load(); }
    // Closes as File > Exit does but asks nothing: the system asked the program to end.
    void EndWithoutQuestion();
    WindowCore& Core() { return *core_; }

    QAction* Action(Act a) const { return act_[static_cast<size_t>(a)]; }
    QWidget* Control(Ctl c) const { return ctl_[static_cast<size_t>(c)]; }
    QLabel* Label(Ctl c) const;
    GraphPicture* Picture(Ctl c) const;
    QString StatusPanel() const;
    QToolBar* ToolBar() const { return toolBar_; }

    // ControlsView
    void Text(Ctl c, const std::string& text) override;
    std::string Text(Ctl c) const override;
    void ReaderName(Ctl c, const std::string& name) override;
    void ReaderText(Ctl c, const std::string& text) override;
    void Visible(Ctl c, bool on) override;
    bool Visible(Ctl c) const override;
    void ForeColor(Ctl c, int32_t color) override;
    void BackColor(Ctl c, int32_t color) override;
    void Place(Ctl c, const TwipsRect& r) override;
    TwipsRect Placed(Ctl c) const override;
    void Items(Ctl c, const std::vector<std::string>& items) override;
    void AddItem(Ctl c, const std::string& item) override;
    bool Select(Ctl c, const std::string& text) override;
    int ItemCount(Ctl c) const override;
    void SelectIndex(Ctl c, int index) override;
    void Progress(int value) override;
    // ActionsView
    void Checked(Act a, bool on) override;
    bool Checked(Act a) const override;
    void Enabled(Act a, bool on) override;
    bool Enabled(Act a) const override;
    void Visible(Act a, bool on) override;
    void Caption(Act a, const std::string& text) override;
    // FrameView
    void StatusText(const std::string& text) override;
    void StatusBarVisible(bool on) override;
    void ToolBarVisible(bool on) override;
    void BusyPointer(bool busy) override;
    void Caption(const std::string& text) override;
    void BackgroundColor(int32_t color) override;
    void CloseWindow() override { close(); }
    double ClientWidth() const override;
    double ClientHeight() const override;
    bool Minimized() const override { return isMinimized(); }
    WindowPlacement Placement() const override;
    void Placement(const WindowPlacement& p) override;
    DrawingSurface& Surface(Ctl picture) override;
    void ShowZoomBand(const ZoomBand& band) override;
    void HideZoomBand() override;

signals:
    // Raised once the shutdown has run (the window is closing).
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildControls();
    void Unload(bool ask);

    std::array<QWidget*, kCtlCount> ctl_{};
    std::array<QAction*, kActCount> act_{};
    QWidget* central_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* status_ = nullptr;
    std::unique_ptr<WindowCore> core_;
};

} // namespace vireon
