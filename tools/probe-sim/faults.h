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
    // Once, after this many data replies, the next outageDrops replies are not sent and the
    // one after them is held back outageLateMs (0: no outage).
    int outageAfter = 0;
    int outageDrops = 0;
    double outageLateMs = 0;
};

class FaultInjector {
public:
    explicit FaultInjector(FaultOptions options) : o_(options) {}
    // The reply as it goes on the line, or nothing when it is dropped.
    std::optional<std::string> Apply(std::string reply);
    long Count() const { return count_; }
    // The outage applied to the reply that is about to go: how much later than planned it
    // leaves, or nothing when it is not sent. `data` tells a reply to a data request.
    std::optional<double> Outage(bool data);

private:
    static bool Hit(int every, long n) { return every > 0 && n % every == 0; }
    FaultOptions o_;
    long count_ = 0;
    long dataReplies_ = 0;
    int outageLeft_ = -1; // replies of the outage still to come; -1 before it starts
};

} // namespace vireon::sim
