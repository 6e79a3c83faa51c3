#include "display/qt/QtSettingsStore.h"

#include "display/qt/CoreText.h"

#include <QSettings>

namespace vireon {

namespace {
QSettings Store() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, "vireon2", "Vireon II");
}
QString KeyOf(const std::string& section, const std::string& key) {
    return FromCore(section) + "/" + FromCore(key);
}
} // namespace

std::string QtSettingsStore::Get(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
    return ToCore(Store().value(KeyOf(section, key), FromCore(fallback)).toString());
}

void QtSettingsStore::Set(const std::string& section, const std::string& key,
                          const std::string& value) {
    Store().setValue(KeyOf(section, key), FromCore(value));
}

} // namespace vireon
