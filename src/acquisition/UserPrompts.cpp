#include "acquisition/UserPrompts.h"

namespace vireon {

void NoticeBoard::Show(const std::string& text, MsgIcon icon) {
    if (!showing_.insert(text).second) {
        return;
    }
    prompts_.Notice(text, icon, [this, text] { showing_.erase(text); });
}

} // namespace vireon
