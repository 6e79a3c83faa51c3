#include "common/paths.h"

#include <cstdlib>

namespace vireon {

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg != '\0') {
        return std::string(xdg) + "/vireon2";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config/vireon2";
}

std::string PortsFolder() {
    return UserConfigFolder() + "/ports";
}

} // namespace vireon
