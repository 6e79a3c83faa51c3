#pragma once
// The per-user settings store of the window placement, over QSettings.

#include "display/core/WindowView.h"

namespace vireon {

class QtSettingsStore : public SettingsStore {
public:
    std::string Get(const std::string& section, const std::string& key,
                    const std::string& fallback) const override;
    void Set(const std::string& section, const std::string& key, const std::string& value) override;
};

} // namespace vireon
