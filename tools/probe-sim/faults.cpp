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
        reply.insert(reply.size() > 0 ? reply.size() - 1 : 0, "~");
    }
    return reply;
}

} // namespace vireon::sim
