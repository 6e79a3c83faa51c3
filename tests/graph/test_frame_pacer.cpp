// When repaints go out, in virtual time: readings at a steady rate against a 60 Hz screen.
#include "graph/FramePacer.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace vireon {
namespace {

constexpr double kFrameMs = 1000.0 / 60.0;

TEST(FramePacer, AtMostOneRepaintPerFrameAndNoReadingWaitsLongerThanOne) {
    const struct {
        const char* name;
        double periodMs; // between two readings, each of which changes the picture
        int repaints;    // expected over a second
    } cases[] = {
        {"maximum speed", 1.9, 60}, {"125 per second", 8, 60}, {"15 per second", 66.7, 15}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FramePacer pacer(kFrameMs);
        std::optional<double> due;  // of the repaint on its way
        std::optional<double> last; // repaint
        double oldest = 0;          // reading not shown yet
        int repaints = 0;
        for (double t = 0; t < 1000 + kFrameMs; t += c.periodMs) {
            if (due && *due <= t) {
                pacer.Repainted(*due);
                ++repaints;
                EXPECT_LE(*due - oldest, kFrameMs + 1e-9) << "a reading waited too long";
                EXPECT_TRUE(!last || *due - *last >= kFrameMs - 1e-9) << "two in one frame";
                EXPECT_TRUE(c.periodMs < kFrameMs || *due == oldest) << "slow: shown at once";
                last = std::exchange(due, std::nullopt);
            }
            if (t >= 1000) {
                continue; // only the last repaint is still to come
            }
            if (const auto wait = pacer.Changed(t)) {
                due = t + *wait;
                oldest = t;
            }
        }
        EXPECT_NEAR(repaints, c.repaints, 1);
    }
}

} // namespace
} // namespace vireon
