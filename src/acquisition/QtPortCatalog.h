#pragma once
// Comm ports where the system names them itself: the ports Qt lists, polled once a second for
// arrivals and removals.

#include "acquisition/PolledPortCatalog.h"

namespace vireon {

class QtPortCatalog : public PolledPortCatalog {
public:
    explicit QtPortCatalog(QObject* parent = nullptr);

    bool PortExists(int n) override;
    std::string DevicePath(int n) const override;
};

} // namespace vireon
