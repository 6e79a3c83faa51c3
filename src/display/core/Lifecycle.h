#pragma once
// Start-up and shutdown of the main window: Main in its order (configuration, splash, menus,
// objects, rates, graphs, port, timers, display), the Load event's placement and captions,
// and the Unload steps (laser question, port, configuration, placement).

#include <string>

namespace vireon {

class WindowCore;

class Lifecycle {
public:
    explicit Lifecycle(WindowCore& core) : c_(core) {}

    void Main();
    void Load();
    void Unload(bool ask);

    static constexpr const char* kTitle = "Vireon II";
    static constexpr const char* kLaserQuestion = "Switch laser to the 'Off' position?";
    static constexpr const char* kLaserQuestionTitle = "Laser Detector Unit Power Status";

private:
    void LoadConfiguration();
    void SetUpGraphs();
    void SaveConfiguration();
    void RestorePlacement();
    void SavePlacement();

    WindowCore& c_;
};

} // namespace vireon
