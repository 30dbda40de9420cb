#pragma once

#include <cstdint>

#include "playback/growth_watch.h"
#include "playback/player_clock.h"

namespace korvel {

// Where a playback step that waits for data goes on: none (no step waits), camera A's turn
// (it has not yet found its record), or camera B's reading (A's turn is over).
enum class StepPhase : uint8_t { none, camera_a, camera_b };

// What an Open waits for in a recording that is still being created, in the order Open reads
// it: none (Open is done, or never started), the header record, the index file beside the
// data file, its two tables whole, or tables that hold the start minute's entries for good
// (the recording has not reached the start time yet).
enum class OpenWait : uint8_t { none, header, index_file, index_tables, start_minute };

// How a player reads a recording that may still be growing; chosen by whoever plays it.
enum class FollowMode : uint8_t {
    // Read as finished: a record cut by the file's end raises its read error at once.
    finished,
    // A record cut by the file's current end makes the step wait (the reader stays at the
    // record's start) until the file has kept its length for the grace time; then the read
    // error is raised. Open waits the same way for a header, an index file and a start minute
    // that the recording has not written yet. The viewer reads every file so.
    wait_at_cut,
    // As wait_at_cut, and a camera that reaches the file's current end while the finished
    // recording would have it read on waits too, so that every step does exactly what it does
    // on the finished file: a follower (tail -f), told when the file is finished.
    wait_at_end,
    // Count what is there: a record cut by the end ends the reading for good, without a read
    // error and without waiting for the file to grow (the day's overview).
    count_available,
};

// The follow mode of a player, its watch over the file's length, the clock it reads, and the
// step that waits for the file to grow.
struct FollowState {
    FollowMode mode = FollowMode::finished;
    GrowthWatch watch;
    const PlayerClock* clock = &steady_player_clock();

    // The waiting step, if any, and whether camera A took a record in it.
    StepPhase pending = StepPhase::none;
    bool a_took = false;

    // An Open that waits for the recording; no step runs before it is done.
    OpenWait opening = OpenWait::none;

    // A new mode; the grace is how long the file must keep its length to count as finished
    // (count_available never finds it so).
    void set_mode(FollowMode m, GrowthWatch::Clock::duration grace = kFollowGrace) {
        mode = m;
        watch.set_grace(m == FollowMode::count_available ? GrowthWatch::Clock::duration::max()
                                                         : grace);
    }

    bool waits_on_cut() const { return mode != FollowMode::finished; }
    bool waits_at_end() const { return mode == FollowMode::wait_at_end; }
    bool waiting() const { return pending != StepPhase::none; }
    GrowthWatch::Clock::time_point now() const { return clock->now(); }

    // Measures nothing: whether data that is not there yet may still come, by the last
    // length the watch was given.
    bool may_grow() const { return waits_on_cut() && !watch.quiet(now()); }

    // A new file: no step waits, the watch starts again. The mode and the grace stay.
    void restart() {
        pending = StepPhase::none;
        a_took = false;
        watch.restart();
    }
};

}  // namespace korvel
