#include "common/version.h"

namespace vireon {

std::string VersionText() {
    return std::to_string(VIREON_VERSION_MAJOR) + "." + std::to_string(VIREON_VERSION_MINOR) + "." +
           std::to_string(VIREON_VERSION_PATCH);
}

} // namespace vireon
