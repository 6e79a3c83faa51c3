// link-client: the monitor's maximum-speed read loop and nothing else. It switches the laser
// on, then sends the data command, waits for the whole data reply and sends the next one at
// once, for a given time, and prints what it saw as JSON: exchanges, round trips (command
// written to reply complete) and reply spans (first to last character received).
//
//     link-client DEVICE SECONDS

#include "probe/fiber_replies.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fiber = vireon::fiber;

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

bool WriteAll(int fd, const std::string& s) {
    return ::write(fd, s.data(), s.size()) == static_cast<ssize_t>(s.size());
}

// Reads until `want` characters have come or `timeoutMs` passed without any; the time of the
// first character read goes to `first`.
std::string ReadReply(int fd, size_t want, int timeoutMs, Clock::time_point& first) {
    std::string got;
    while (got.size() < want) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) {
            break;
        }
        char buf[64];
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, want - got.size()));
        if (n <= 0) {
            break;
        }
        if (got.empty()) {
            first = Clock::now();
        }
        got.append(buf, static_cast<size_t>(n));
    }
    return got;
}

void Drain(int fd, int ms) {
    Clock::time_point ignored;
    while (!ReadReply(fd, 4096, ms, ignored).empty()) {
    }
}

struct Summary {
    double p10, median, p90, max;
};

Summary Summarise(std::vector<double> v) {
    if (v.empty()) {
        return {0, 0, 0, 0};
    }
    std::sort(v.begin(), v.end());
    auto at = [&v](double q) {
        return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
    };
    return {at(0.1), at(0.5), at(0.9), v.back()};
}

std::string Json(const char* name, const Summary& s) {
    char buf[192];
    std::snprintf(buf, sizeof buf,
                  "\"%s\": {\"p10\": %.3f, \"median\": %.3f, \"p90\": %.3f, \"max\": %.3f}", name,
                  s.p10, s.median, s.p90, s.max);
    return buf;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: link-client DEVICE SECONDS\n");
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY);
    if (fd < 0) {
        std::fprintf(stderr, "link-client: cannot open %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B115200);
    ::tcsetattr(fd, TCSANOW, &tio);

    WriteAll(fd, fiber::Command(fiber::kCmdLaserOn));
    Drain(fd, 100);

    const std::string command = fiber::Command(fiber::kCmdData);
    std::vector<double> rtt;
    std::vector<double> span;
    long misses = 0;
    const auto start = Clock::now();
    const auto end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        const auto sent = Clock::now();
        if (!WriteAll(fd, command)) {
            std::fprintf(stderr, "link-client: write failed: %s\n", std::strerror(errno));
            return 1;
        }
        Clock::time_point first;
        const std::string reply = ReadReply(fd, fiber::kDataLen, 1000, first);
        const auto done = Clock::now();
        if (reply.size() != fiber::kDataLen || !fiber::IsData(reply)) {
            ++misses;
            Drain(fd, 50);
            continue;
        }
        rtt.push_back(Micros(done - sent));
        span.push_back(Micros(done - first));
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("{\"exchanges\": %zu, \"misses\": %ld, \"seconds\": %.6f, \"perSecond\": %.3f, "
                "%s, %s}\n",
                rtt.size(), misses, elapsed, static_cast<double>(rtt.size()) / elapsed,
                Json("roundTripUs", Summarise(rtt)).c_str(),
                Json("replySpanUs", Summarise(span)).c_str());
    ::close(fd);
    return misses == 0 ? 0 : 1;
}
