#pragma once
// The small windows the main window opens, implemented by the dialogs layer.

#include <cstdint>
#include <string>

namespace vireon {

class Options;
class UserPrompts;

struct ProbeDescription {
    std::string Model = "Unknown";
    std::string SerialNo = "Unknown";
    std::string SoftRev = "Unknown";
    std::string CalDate = "Unknown";
};

class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;
    virtual void ShowSplash() = 0;
    virtual void UnloadSplash() = 0;
    // Modal port choice when the configuration could not be read; returns 1..6, or `current`
    // when the user made no choice.
    virtual int16_t ChoosePort(int16_t current) = 0;
    // Modal laser caution; true on OK.
    virtual bool LaserCaution() = 0;
    virtual void ShowAbout(const ProbeDescription& probe) = 0;
    // Unloads every other open window, last opened first.
    virtual void UnloadAll() = 0;
    // The options dialog, modal; it edits through `options` and picks colours through `prompts`.
    virtual void ShowOptions(Options& options, UserPrompts& prompts) = 0;
};

} // namespace vireon
