#pragma once
// Everything that asks or tells the user: message and input boxes, file and colour choosers.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vireon {

enum class MsgIcon { None, Information, Exclamation, Question, Critical };
// SaveDiscardCancel answers Yes for Save and No for Discard.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, SaveDiscardCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // A modal question: waits for the answer. Texts are Windows-1252. Cancel also when the
    // question was closed unanswered because the program is ending.
    virtual MsgResult MsgBox(const std::string& text, MsgIcon icon = MsgIcon::None,
                             MsgButtons buttons = MsgButtons::Ok,
                             const std::string& title = {}) = 0;
    // A message that needs no answer: shown with an OK button, returns at once; `closed` runs
    // when the user dismisses it.
    virtual void Notice(const std::string& text, MsgIcon icon, std::function<void()> closed) = 0;
    // Empty optional when cancelled.
    virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText) = 0;
    // File choosers take and give paths, never text in a code page. `folder` is where the
    // chooser opens; a path that ends in a file name offers that name too.
    virtual std::optional<std::filesystem::path>
    OpenFileName(const std::string& title, const std::string& filter,
                 const std::filesystem::path& folder) = 0;
    // A name typed without any "." gets "." + defaultSuffix; the chooser asks before the file
    // it returns is replaced.
    virtual std::optional<std::filesystem::path> SaveFileName(const std::string& title,
                                                              const std::string& filter,
                                                              const std::filesystem::path& folder,
                                                              const std::string& defaultSuffix) = 0;
    // Colours are 24-bit, red in the low byte.
    virtual std::optional<int32_t> ChooseColor(int32_t initial) = 0;
};

// Messages that need no answer, each shown once while it is open: a read error repeated on
// every tick must not stack a box per tick, nor stop the read cycle until someone clicks OK.
class NoticeBoard {
public:
    explicit NoticeBoard(UserPrompts& prompts) : prompts_(prompts) {}
    void Show(const std::string& text, MsgIcon icon = MsgIcon::None);
    bool Showing(const std::string& text) const { return showing_.count(text) != 0; }

private:
    UserPrompts& prompts_;
    std::set<std::string> showing_;
};

// Beep, an external editor, the program's folder.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual void Beep() = 0;
    virtual bool StartEditor(const std::filesystem::path& file) = 0;
    // "Beside the program": the executable's folder when writable, else the per-user data folder.
    virtual std::filesystem::path ProgramFolder() const = 0;
    // The per-user data folder (the recovery journal lives there).
    virtual std::filesystem::path DataFolder() const { return ProgramFolder(); }
};

} // namespace vireon
