#pragma once
// Faults the simulator can put on the line, applied to each reply in turn.

#include <optional>
#include <string>

namespace vireon::sim {

struct FaultOptions {
    int dropEvery = 0;     // every Nth reply is not sent
    int corruptEvery = 0;  // every Nth reply has its first character replaced
    int truncateEvery = 0; // every Nth reply loses its second half
    int lengthenEvery = 0; // every Nth reply gets one extra character
};

class FaultInjector {
public:
    explicit FaultInjector(FaultOptions options) : o_(options) {}
    // The reply as it goes on the line, or nothing when it is dropped.
    std::optional<std::string> Apply(std::string reply);
    long Count() const { return count_; }

private:
    static bool Hit(int every, long n) { return every > 0 && n % every == 0; }
    FaultOptions o_;
    long count_ = 0;
};

} // namespace vireon::sim
