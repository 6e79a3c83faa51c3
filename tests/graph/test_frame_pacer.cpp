// When repaints go out, in virtual time: readings at a steady rate against a 60 Hz screen.
#include "graph/FramePacer.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace vireon {
namespace {

constexpr double kFrameMs = 1000.0 / 60.0;

// Repaints come from the readings themselves while they keep coming, from the timer once they
// stop; never two in a frame, and no reading waits longer than two frames.
TEST(FramePacer, AtMostOneRepaintPerFrameAndNoReadingWaitsLongerThanTwo) {
    const struct {
        const char* name;
        double periodMs; // between two readings, each of which changes the picture
        int repaints;    // expected over a second
        int timed;       // of them by the timer, not brought forward by a reading
    } cases[] = {{"maximum speed", 1.9, 60, 1},
                 {"125 per second", 8, 42, 1},
                 {"15 per second", 66.7, 15, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FramePacer pacer(kFrameMs);
        std::optional<double> due;  // of the repaint on its way
        bool byTimer = false;       // rather than brought forward by a reading
        std::optional<double> last; // repaint
        double oldest = 0;          // reading not shown yet
        bool shown = true;
        int repaints = 0;
        int timed = 0;
        for (double t = 0; t < 1000 + 3 * kFrameMs; t += c.periodMs) {
            if (due && *due <= t) {
                pacer.Repainted(*due);
                ++repaints;
                timed += byTimer ? 1 : 0;
                EXPECT_LE(*due - oldest, 2 * kFrameMs + 1e-9) << "a reading waited too long";
                EXPECT_TRUE(!last || *due - *last >= kFrameMs - 1e-9) << "two in one frame";
                EXPECT_TRUE(c.periodMs < kFrameMs || *due == oldest) << "slow: shown at once";
                last = std::exchange(due, std::nullopt);
                shown = true;
            }
            if (t >= 1000) {
                continue; // only the last repaint is still to come
            }
            if (shown) {
                oldest = t;
                shown = false;
            }
            if (const auto wait = pacer.Changed(t)) {
                due = t + *wait;
                byTimer = *wait > 0;
            }
        }
        EXPECT_TRUE(shown) << "the last readings never reached the screen";
        EXPECT_NEAR(repaints, c.repaints, 1);
        EXPECT_EQ(timed, c.timed);
    }
}

} // namespace
} // namespace vireon
