#pragma once
// The one crossing between the cores' text (Windows-1252 bytes) and paths
// (std::filesystem::path) and Qt's strings. Everything Qt-side converts here and nowhere else.

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace vireon {

QString FromCore(std::string_view cp1252);
std::string ToCore(const QString& text);
QString FromPath(const std::filesystem::path& path);
std::filesystem::path PathOf(const QString& text);

} // namespace vireon
