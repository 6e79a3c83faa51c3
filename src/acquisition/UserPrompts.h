#pragma once
// Everything that asks or tells the user: message and input boxes, file and colour choosers.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vireon {

enum class MsgIcon { None, Information, Exclamation, Question, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // Texts are Windows-1252.
    virtual MsgResult MsgBox(const std::string& text, MsgIcon icon = MsgIcon::None,
                             MsgButtons buttons = MsgButtons::Ok,
                             const std::string& title = {}) = 0;
    // Empty optional when cancelled.
    virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText) = 0;
    virtual std::optional<std::string> OpenFileName(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& folder) = 0;
    virtual std::optional<std::string> SaveFileName(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& folder) = 0;
    // Colours are 24-bit, red in the low byte.
    virtual std::optional<int32_t> ChooseColor(int32_t initial) = 0;
};

// Beep, an external editor, the program's folder.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual void Beep() = 0;
    virtual bool StartEditor(const std::string& file) = 0;
    // "Beside the program": the executable's folder when writable, else the per-user data folder.
    virtual std::string ProgramFolder() const = 0;
};

} // namespace vireon
