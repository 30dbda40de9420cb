// Real-time playback: one second of recording per second, whatever a step covers.
#include <gtest/gtest.h>

#include "playback/real_time_pace.h"

namespace korvel {
namespace {

TEST(RealTimePace, KeepsTheRecordingsOwnPaceWhateverAStepCovers) {
    const struct {
        double rate, lines_per_step;
    } cases[] = {{1000.0, 50.0}, {1000.0, 800.0}, {2500.0, 1.0}, {500.0, 3000.0}};
    for (const auto& c : cases) {  // asked every 200 ms for a minute, as the view's timer does
        RealTimePace pace;
        double line = 43200000.0;
        for (int tick = 0; tick < 300; ++tick)
            while (pace.wants_step(line, c.rate, tick * 0.2)) line += c.lines_per_step;
        EXPECT_NEAR((line - 43200000.0) / c.rate, 60.0, c.lines_per_step / c.rate + 0.3)
            << c.rate << " " << c.lines_per_step;
    }
}

TEST(RealTimePace, APauseOrAGapIsNotMadeUpFor) {
    RealTimePace pace;
    EXPECT_TRUE(pace.wants_step(1000000.0, 1000.0, 0.0));
    EXPECT_FALSE(pace.wants_step(1000300.0, 1000.0, 0.0));
    EXPECT_TRUE(pace.wants_step(1000300.0, 1000.0, 60.0));   // paused a minute: one step
    EXPECT_FALSE(pace.wants_step(1000600.0, 1000.0, 60.0));  // not a minute's worth
    EXPECT_FALSE(pace.wants_step(4600000.0, 1000.0, 60.2));  // an hour's gap is passed over
    EXPECT_TRUE(pace.wants_step(4600000.0, 1000.0, 60.4));   // not waited out
}

}  // namespace
}  // namespace korvel
