// When repaints go out, in virtual time: readings at a steady rate against a 60 Hz screen.
#include "graph/FramePacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace vireon {
namespace {

constexpr double kFrameMs = 1000.0 / 60.0;

struct Outcome {
    int readings = 0;
    int repaints = 0;
    double closestRepaintsMs = 1e9; // shortest time between two repaints
    double longestWaitMs = 0;       // longest a reading waited to be shown
};

// Readings every `periodMs` for a second; each one changes the picture.
Outcome ReadingsFor(double periodMs) {
    FramePacer pacer(kFrameMs);
    Outcome o;
    std::optional<double> due;
    std::optional<double> lastRepaint;
    double oldestUnshown = 0;
    auto repaintIfDue = [&](double now) {
        if (!due || *due > now) {
            return;
        }
        pacer.Repainted(*due);
        ++o.repaints;
        if (lastRepaint) {
            o.closestRepaintsMs = std::min(o.closestRepaintsMs, *due - *lastRepaint);
        }
        o.longestWaitMs = std::max(o.longestWaitMs, *due - oldestUnshown);
        lastRepaint = due;
        due.reset();
    };
    for (double t = 0; t < 1000; t += periodMs) {
        repaintIfDue(t);
        ++o.readings;
        if (const auto wait = pacer.Changed(t)) {
            due = t + *wait;
            oldestUnshown = t;
        }
    }
    repaintIfDue(1e9);
    return o;
}

TEST(FramePacer, AtMostOneRepaintPerFrameAndNoReadingWaitsLongerThanOne) {
    struct Case {
        const char* name;
        double periodMs;
        int repaints; // expected over the second
    };
    for (const Case& c : {Case{"maximum speed", 1.9, 60}, Case{"125 per second", 8, 60},
                          Case{"15 per second", 1000.0 / 15, 15}}) {
        SCOPED_TRACE(c.name);
        const Outcome o = ReadingsFor(c.periodMs);
        EXPECT_NEAR(o.repaints, c.repaints, 1);
        EXPECT_GE(o.closestRepaintsMs, kFrameMs - 1e-9);
        EXPECT_LE(o.longestWaitMs, kFrameMs + 1e-9);
        if (c.periodMs > kFrameMs) {
            EXPECT_EQ(o.repaints, o.readings) << "slower than the screen: each shown at once";
            EXPECT_EQ(o.longestWaitMs, 0);
        }
    }
}

} // namespace
} // namespace vireon
