#include "display/qt/CoreText.h"

#include "common/numfmt.h"

namespace vireon {

QString FromCore(std::string_view cp1252) {
    return QString::fromStdString(Cp1252ToUtf8(cp1252));
}

std::string ToCore(const QString& text) {
    return Utf8ToCp1252(text.toStdString());
}

QString FromPath(const std::filesystem::path& path) {
    const std::u8string u = path.u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(u.data()),
                             static_cast<qsizetype>(u.size()));
}

std::filesystem::path PathOf(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.constData()),
                                               static_cast<size_t>(utf8.size())));
}

} // namespace vireon
