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

} // namespace vireon::sim
