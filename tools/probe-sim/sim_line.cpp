#include "sim_line.h"

#include <algorithm>
#include <cstdio>

namespace vireon::sim {

namespace {
// Line noise without carriage returns is thrown away past this.
constexpr size_t kMaxCommand = 4096;
} // namespace

SimLine::SimLine(long baud, MonotonicClock clock) : in_(baud, clock), out_(baud, clock) {}

void SimLine::Received(std::string_view bytes) {
    if (answered_ && !bytes.empty()) {
        const auto ns = static_cast<double>((in_.Now() - *answered_).count());
        stats_.turnaround.Add(ns);
        long bin = 0;
        for (const long bound : {50L, 100L, 200L, 500L, 1000L, 2000L, 5000L}) {
            if (ns <= static_cast<double>(bound) * 1e3) {
                bin = bound;
                break;
            }
        }
        ++stats_.turnaroundBins[bin];
        answered_.reset();
    }
    in_.Queue(bytes.size());
    inbuf_ += bytes;
    if (inbuf_.size() > kMaxCommand && inbuf_.find('\r') == std::string::npos) {
        inFirst_ += inbuf_.size();
        inbuf_.clear();
    }
}

std::optional<SimLine::Command> SimLine::NextCommand() {
    const size_t cr = inbuf_.find('\r');
    if (cr == std::string::npos || in_.Arrived() <= inFirst_ + cr) {
        return std::nullopt;
    }
    Command c{inbuf_.substr(0, cr), in_.ArrivalOf(inFirst_ + cr)};
    inbuf_.erase(0, cr + 1);
    inFirst_ += cr + 1;
    // A line feed or blank left over from a terminal belongs to no command.
    c.text.erase(0, c.text.find_first_not_of("\n "));
    ++stats_.commands[c.text];
    return c;
}

void SimLine::Send(std::string bytes, Nanos at) {
    ++stats_.replies;
    waiting_.push_back({at, std::move(bytes), true});
}

void SimLine::SendSpread(const std::string& bytes, Nanos at, Nanos span) {
    ++stats_.replies;
    const size_t n = bytes.size();
    for (size_t k = 0; k < n; ++k) {
        const auto steps = static_cast<long long>(std::max<size_t>(n - 1, 1));
        const Nanos offset = span * static_cast<long long>(k) / steps;
        waiting_.push_back({at + offset, bytes.substr(k, 1), false});
    }
}

void SimLine::DropWaiting() {
    waiting_.clear();
}

// Replies whose time has come go onto the line, in the order they were sent.
void SimLine::Release() {
    const Nanos now = out_.Now();
    while (!waiting_.empty() && waiting_.front().at <= now) {
        Waiting& w = waiting_.front();
        if (!w.bytes.empty()) {
            out_.Queue(w.bytes.size(), w.at);
            if (w.whole) {
                inFlight_.push_back({out_.Queued() - w.bytes.size(), out_.Queued() - 1, {}});
            }
            outbuf_ += w.bytes;
        }
        waiting_.pop_front();
    }
}

// A character goes into the pseudo-terminal when its stop bit is across, the moment the far
// end's serial port would have it.
std::string_view SimLine::Due() {
    Release();
    const size_t n = std::min(out_.Arrived() - written_, outbuf_.size());
    return std::string_view(outbuf_).substr(0, n);
}

void SimLine::Written(size_t n) {
    const Nanos now = out_.Now();
    for (size_t i = written_; i < written_ + n; ++i) {
        const double late = static_cast<double>((now - out_.ArrivalOf(i)).count());
        stats_.lateSumNs += late;
        stats_.lateMaxNs = std::max(stats_.lateMaxNs, late);
    }
    written_ += n;
    stats_.characters += static_cast<long>(n);
    outbuf_.erase(0, n);
    while (!inFlight_.empty() && inFlight_.front().first < written_) {
        InFlight& r = inFlight_.front();
        if (!r.firstWritten) {
            r.firstWritten = now;
        }
        if (r.last >= written_) {
            break;
        }
        // From the first character going on the line, one character time before it was
        // across, to the last one across.
        const Nanos character = out_.ArrivalOf(r.first) - out_.StartOf(r.first);
        const auto ns = static_cast<double>((now - *r.firstWritten + character).count());
        stats_.replySpans[r.last - r.first + 1].Add(ns);
        inFlight_.pop_front();
        answered_ = now;
    }
}

std::optional<Nanos> SimLine::NextEvent(bool outputBlocked) const {
    std::optional<Nanos> next;
    auto consider = [&next](Nanos t) { next = next ? std::min(*next, t) : t; };
    if (!waiting_.empty()) {
        consider(waiting_.front().at);
    }
    // The next character not written yet, even if it fell due a moment ago.
    if (!outputBlocked && written_ < out_.Queued()) {
        consider(out_.ArrivalOf(written_));
    }
    const size_t cr = inbuf_.find('\r');
    if (cr != std::string::npos) {
        consider(in_.ArrivalOf(inFirst_ + cr));
    }
    return next;
}

std::string StatsJson(const LineStats& s, double seconds) {
    auto text = [](const std::string& t) {
        std::string out = "\"";
        for (const char c : t) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += c;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                out += buf;
            } else {
                out += c;
            }
        }
        return out + "\"";
    };
    auto number = [](double v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.6f", v);
        return std::string(buf);
    };
    auto span = [&number](const LineStats::Span& v) {
        return "{\"count\": " + std::to_string(v.count) + ", \"mean\": " +
               number(v.count > 0 ? v.sumNs / static_cast<double>(v.count) / 1e3 : 0) +
               ", \"min\": " + number(v.minNs / 1e3) + ", \"max\": " + number(v.maxNs / 1e3) + "}";
    };
    std::string j = "{\"seconds\": " + number(seconds) + ", \"commands\": {";
    const char* sep = "";
    for (const auto& [word, n] : s.commands) {
        j += sep + text(word) + ": " + std::to_string(n);
        sep = ", ";
    }
    j += "}, \"replies\": " + std::to_string(s.replies) +
         ", \"characters\": " + std::to_string(s.characters) + ", \"lateMeanUs\": " +
         number(s.characters > 0 ? s.lateSumNs / static_cast<double>(s.characters) / 1e3 : 0) +
         ", \"lateMaxUs\": " + number(s.lateMaxNs / 1e3) + ", \"replyUs\": {";
    sep = "";
    for (const auto& [length, reply] : s.replySpans) {
        j += sep + text(std::to_string(length)) + ": " + span(reply);
        sep = ", ";
    }
    j += "}, \"turnaroundUs\": " + span(s.turnaround) + ", \"turnaroundBins\": {";
    sep = "";
    for (const auto& [bound, n] : s.turnaroundBins) {
        j += sep + text(std::to_string(bound)) + ": " + std::to_string(n);
        sep = ", ";
    }
    return j + "}}\n";
}

} // namespace vireon::sim
