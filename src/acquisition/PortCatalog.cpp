#include "acquisition/PortCatalog.h"

namespace vireon {

void PortCatalog::Announce(PortSet& known, const PortSet& now) {
    for (int n = 1; n <= kMaxCommPorts; ++n) {
        const auto i = static_cast<size_t>(n);
        if (now[i] == known[i]) {
            continue;
        }
        known[i] = now[i];
        const auto& event = now[i] ? DeviceArrival : DeviceRemoveComplete;
        if (event) {
            event("COM" + std::to_string(n));
        }
    }
}

} // namespace vireon
