#pragma once
// The main window's platform and widgets as recording fakes, for the Qt-free window core.

#include "display/core/WindowCore.h"
#include "display/core/WindowDialogs.h"
#include "display/core/WindowView.h"
#include "files/ConfigFile.h"
#include "support/Fakes.h"
#include "support/ManualTiming.h"
#include "support/RecordingSurface.h"
#include "support/TempDir.h"

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vireon::test {

class FakeWindowView : public WindowView {
public:
    struct Control {
        std::string text;
        std::string readerName; // what a screen reader calls it
        std::string readerText; // and what it reads
        bool visible = true;
        int32_t fore = -1;
        int32_t back = -1;
        TwipsRect placed;
        std::vector<std::string> items;
        int selected = -1;
    };
    struct Action {
        bool checked = false;
        bool enabled = true;
        bool visible = true;
        std::string caption;
    };

    FakeWindowView() {
        for (const ControlInfo& s : ControlTable()) {
            Control& c = ctl[static_cast<size_t>(s.id)];
            c.text = s.caption;
            c.readerName = AccessibleName(s.id);
            c.readerText = s.caption;
            c.visible = s.visible;
        }
    }

    Control& Of(Ctl c) { return ctl[static_cast<size_t>(c)]; }
    Action& Of(Act a) { return act[static_cast<size_t>(a)]; }

    void Text(Ctl c, const std::string& t) override { Of(c).text = Of(c).readerText = t; }
    void ReaderName(Ctl c, const std::string& name) override { Of(c).readerName = name; }
    void ReaderText(Ctl c, const std::string& t) override { Of(c).readerText = t; }
    std::string Text(Ctl c) const override {
        const Control& x = ctl[static_cast<size_t>(c)];
        if (x.selected >= 0 && x.selected < static_cast<int>(x.items.size())) {
            return x.items[static_cast<size_t>(x.selected)];
        }
        return x.text;
    }
    void Visible(Ctl c, bool on) override { Of(c).visible = on; }
    bool Visible(Ctl c) const override { return ctl[static_cast<size_t>(c)].visible; }
    void ForeColor(Ctl c, int32_t color) override { Of(c).fore = color; }
    void BackColor(Ctl c, int32_t color) override { Of(c).back = color; }
    void Place(Ctl c, const TwipsRect& r) override {
        Of(c).placed = r;
        if (c == Ctl::Picture1 || c == Ctl::Picture3) {
            RecordingSurface& s = c == Ctl::Picture1 ? picture1 : picture3;
            s.Width = r.Width;
            s.HeightValue = r.Height;
        }
    }
    TwipsRect Placed(Ctl c) const override { return ctl[static_cast<size_t>(c)].placed; }
    void Items(Ctl c, const std::vector<std::string>& items) override {
        Of(c).items = items;
        Of(c).selected = -1;
    }
    void AddItem(Ctl c, const std::string& item) override { Of(c).items.push_back(item); }
    bool Select(Ctl c, const std::string& text) override {
        auto& items = Of(c).items;
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i] == text) {
                Of(c).selected = static_cast<int>(i);
                return true;
            }
        }
        return false;
    }
    int ItemCount(Ctl c) const override {
        return static_cast<int>(ctl[static_cast<size_t>(c)].items.size());
    }
    void SelectIndex(Ctl c, int index) override { Of(c).selected = index; }
    void Progress(int) override {}

    void Checked(Act a, bool on) override { Of(a).checked = on; }
    bool Checked(Act a) const override { return act[static_cast<size_t>(a)].checked; }
    void Enabled(Act a, bool on) override { Of(a).enabled = on; }
    bool Enabled(Act a) const override { return act[static_cast<size_t>(a)].enabled; }
    void Visible(Act a, bool on) override { Of(a).visible = on; }
    void Caption(Act a, const std::string& text) override { Of(a).caption = text; }

    void StatusText(const std::string& text) override { status = text; }
    void StatusBarVisible(bool) override {}
    void ToolBarVisible(bool) override {}
    void BusyPointer(bool b) override { busy = b; }
    void Caption(const std::string& text) override { caption = text; }
    void BackgroundColor(int32_t color) override { background = color; }
    void CloseWindow() override {}
    double ClientWidth() const override { return width; }
    double ClientHeight() const override { return height; }
    bool Minimized() const override { return placement.State == 1; }
    WindowPlacement Placement() const override { return placement; }
    void Placement(const WindowPlacement& p) override { placement = p; }
    DrawingSurface& Surface(Ctl picture) override {
        return picture == Ctl::Picture1 ? picture1 : picture3;
    }
    void ShowZoomBand(const ZoomBand&) override {}
    void HideZoomBand() override {}

    std::array<Control, kCtlCount> ctl{};
    std::array<Action, kActCount> act{};
    std::string status;
    bool busy = false;
    std::string caption;
    int32_t background = -1;
    double width = 11400;
    double height = 11000;
    WindowPlacement placement;
    RecordingSurface picture1;
    RecordingSurface picture3;
};

class FakeDesktop : public Desktop {
public:
    explicit FakeDesktop(std::filesystem::path folder) : folder_(std::move(folder)) {}
    void Beep() override { ++beeps; }
    bool StartEditor(const std::filesystem::path& file) override {
        edited.push_back(file);
        return true;
    }
    std::filesystem::path ProgramFolder() const override { return folder_; }
    int beeps = 0;
    std::vector<std::filesystem::path> edited;

private:
    std::filesystem::path folder_;
};

class FakeDialogs : public WindowDialogs {
public:
    explicit FakeDialogs(ManualScheduler& s) : s_(s) {}
    void ShowSplash() override {
        splashShownAt = s_.Now();
        if (OnSplash) {
            OnSplash();
        }
    }
    void UnloadSplash() override { splashUnloadedAt = s_.Now(); }
    int16_t ChoosePort(int16_t current) override {
        ++portAsked;
        return portAnswer != 0 ? portAnswer : current;
    }
    bool LaserCaution() override { return true; }
    void ShowAbout(const ProbeDescription&) override {}
    void UnloadAll() override { ++unloadAll; }
    void ShowOptions(Options&, UserPrompts&) override {}
    ManualScheduler& s_;
    std::function<void()> OnSplash;
    double splashShownAt = -1;
    double splashUnloadedAt = -1;
    int portAsked = 0;
    int16_t portAnswer = 0;
    int unloadAll = 0;
};

class FakeStore : public SettingsStore {
public:
    std::string Get(const std::string& section, const std::string& key,
                    const std::string& fallback) const override {
        auto it = values.find(section + "/" + key);
        return it == values.end() ? fallback : it->second;
    }
    void Set(const std::string& section, const std::string& key,
             const std::string& value) override {
        values[section + "/" + key] = value;
    }
    std::map<std::string, std::string> values;
};

// Keeps each report it is given and hands back bytes of its own, or fails when told to.
class FakePrinter : public ReportPrinter {
public:
    std::optional<std::string> Print(const SurveyReport& report, std::string* error) override {
        printed.push_back(report);
        if (!failure.empty()) {
            *error = failure;
            return std::nullopt;
        }
        return std::string("%PDF-fake");
    }
    std::vector<SurveyReport> printed;
    std::string failure;
};

// Every platform piece of the window as a fake, with a program folder of its own that holds a
// configuration for port 3 unless the test writes another (or none).
struct PlatformFakes {
    testing::TempDir dir;
    std::filesystem::path folder = dir.Path();
    FakeSerialLink link;
    FakePortCatalog ports;
    ManualScheduler sched;
    FakePrompts prompts;
    FakeDesktop desktop;
    FakeDialogs dialogs{sched};
    FakeStore store;
    FakePrinter printer;

    explicit PlatformFakes(bool withConfig = true) : desktop(folder) {
        if (withConfig) {
            WriteCfg(Cfg());
        }
        ports.existing = {1, 2, 3, 4};
    }

    WindowPlatform Platform() {
        return {link, ports, sched, sched, prompts, desktop, dialogs, store, printer};
    }
    // Port 3 and the defaults, but for `sampleRate` when given.
    std::string Cfg(const std::string& sampleRate = {}) const {
        CfgSettings s;
        SetCfgDefaults(s, folder.string());
        s.CommPortNo = 3;
        s.SampleRate = sampleRate.empty() ? s.SampleRate : sampleRate;
        return CfgText(s);
    }
    void WriteCfg(const std::string& text) const {
        testing::WriteFile(folder / "VireonII.cfg", text);
    }
};

} // namespace vireon::test
