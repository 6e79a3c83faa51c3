#pragma once
// The simulator's end of the serial line. Commands come in over one direction of the line and
// count as received only once their carriage return would be across; replies wait for their
// time and leave over the other direction, each character on its own schedule, and reach the
// far end when their last bit is across.

#include "wire_schedule.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vireon::sim {

// What crossed the line, for the throughput measurements.
struct LineStats {
    std::map<std::string, long> commands; // by command word
    long replies = 0;
    long characters = 0;
    // How late characters reached the far end against their schedule.
    double lateSumNs = 0;
    double lateMaxNs = 0;
    // Per reply length: first character written to last character across, in nanoseconds.
    struct Span {
        long count = 0;
        double sumNs = 0;
        double minNs = 0;
        double maxNs = 0;
        void Add(double ns) {
            minNs = count == 0 ? ns : std::min(minNs, ns);
            maxNs = std::max(maxNs, ns);
            sumNs += ns;
            ++count;
        }
    };
    std::map<size_t, Span> replySpans;
    // From a reply's last character across to the far end's next characters, in nanoseconds:
    // how long the far end takes to answer a reply. Counts by upper bound in microseconds
    // (0 = longer than the last bound).
    Span turnaround;
    std::map<long, long> turnaroundBins;
};

class SimLine {
public:
    SimLine(long baud, MonotonicClock clock);

    // Characters read from the line just now.
    void Received(std::string_view bytes);
    struct Command {
        std::string text; // without its carriage return
        Nanos arrived;    // when that carriage return was across
    };
    // The next complete command, in order.
    std::optional<Command> NextCommand();

    // A reply whose first character may leave at `at`.
    void Send(std::string bytes, Nanos at);
    // The same, spread evenly so that its last character leaves `span` after its first.
    void SendSpread(const std::string& bytes, Nanos at, Nanos span);
    // Forgets the replies whose time has not come (the probe lost its power).
    void DropWaiting();

    // The characters across now and not yet written; report with Written() how many went.
    std::string_view Due();
    void Written(size_t n);
    // When the next reply, character or command falls due; empty when nothing waits. While
    // the line refuses characters (`outputBlocked`) the writer waits for room instead.
    std::optional<Nanos> NextEvent(bool outputBlocked) const;

    const LineStats& Stats() const { return stats_; }

private:
    struct Waiting {
        Nanos at;
        std::string bytes;
        bool whole; // a complete reply, not a piece of a spread one
    };
    struct InFlight {
        size_t first; // output index of the reply's first character
        size_t last;
        std::optional<Nanos> firstWritten;
    };
    void Release();

    WireSchedule in_;
    WireSchedule out_;
    std::string inbuf_;
    size_t inFirst_ = 0; // input index of inbuf_[0]
    std::deque<Waiting> waiting_;
    std::string outbuf_;
    size_t written_ = 0; // output characters written so far
    std::deque<InFlight> inFlight_;
    // When the last reply was across, until the far end sends again.
    std::optional<Nanos> answered_;
    LineStats stats_;
};

// The statistics as a JSON object, with the simulator's clock in seconds.
std::string StatsJson(const LineStats& stats, double seconds);

} // namespace vireon::sim
