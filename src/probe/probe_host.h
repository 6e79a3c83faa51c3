#pragma once
// What the probe object needs from the window around it: message boxes, a wait that keeps the
// user interface alive, and the hand-off of the fiber probe's speed and calibration replies.
// The probe object never touches widgets or timers itself.

#include <cstdint>
#include <string>

namespace vireon {

enum class ProbeMsgIcon : uint8_t { Information, Exclamation, Critical };

class ProbeHost {
public:
    virtual ~ProbeHost() = default;

    // A modal message box with an OK button.
    virtual void MsgBox(const std::string& text, ProbeMsgIcon icon) = 0;

    // Waits `ms` milliseconds while letting the user interface run.
    virtual void Delay(int32_t ms) = 0;

    // The window's AutoNextCmndS: `code` is ":M0" for a complete calibration upload (then
    // `reply` holds it for the calibration parser) or the first three characters of a ":F"
    // reply. Returns the next command, or "" when the window has none.
    virtual std::string AutoNextCmndS(const std::string& code, const std::string& reply) = 0;
};

// Used while no window is attached: says nothing, waits for nothing, offers no command.
class NullProbeHost final : public ProbeHost {
public:
    void MsgBox(const std::string&, ProbeMsgIcon) override {}
    void Delay(int32_t) override {}
    std::string AutoNextCmndS(const std::string&, const std::string&) override { return {}; }
};

} // namespace vireon
