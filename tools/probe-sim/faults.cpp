#include "faults.h"

namespace vireon::sim {

std::optional<std::string> FaultInjector::Apply(std::string reply) {
    ++count_;
    if (Hit(o_.dropEvery, count_)) {
        return std::nullopt;
    }
    if (Hit(o_.corruptEvery, count_) && !reply.empty()) {
        reply[0] = '?';
    }
    if (Hit(o_.truncateEvery, count_)) {
        reply.resize(reply.size() / 2);
    }
    if (Hit(o_.lengthenEvery, count_)) {
        // Before the line end, so the reader still sees one complete (too long) line.
        const size_t at = reply.empty() ? 0 : reply.size() - 1;
        reply = reply.substr(0, at) + "~" + reply.substr(at);
    }
    return reply;
}

std::optional<double> FaultInjector::Outage(bool data) {
    if (o_.outageAfter <= 0) {
        return 0.0;
    }
    if (outageLeft_ < 0) {
        if (data && ++dataReplies_ == o_.outageAfter) {
            outageLeft_ = o_.outageDrops + 1;
        }
        return 0.0;
    }
    if (outageLeft_ == 0) {
        return 0.0;
    }
    --outageLeft_;
    if (outageLeft_ == 0) {
        return o_.outageLateMs;
    }
    return std::nullopt;
}

} // namespace vireon::sim
