#pragma once

#include <cstdint>

#include "playback/growth_watch.h"

namespace korvel {

// Where a playback step that waits for data goes on: none (no step waits), camera A's turn
// (it has not yet found its record), or camera B's reading (A's turn is over).
enum class StepPhase : uint8_t { none, camera_a, camera_b };

// What an Open waits for in a recording that is still being created, in the order Open reads
// it: none (Open is done, or never started), the header record, the index file beside the
// data file, its two tables whole, or tables that hold the start minute's entries for good
// (the recording has not reached the start time yet).
enum class OpenWait : uint8_t { none, header, index_file, index_tables, start_minute };

// How the playback step treats a recording that may still be growing, and the step that
// waits for it to grow. With both flags off (the start value) the step reads a file as
// finished: a record cut by the file's end raises its read error at once.
struct FollowState {
    // A record cut by the file's current end makes the step wait (the reader stays at the
    // record's start) until the watch finds the file quiet; then the read error is raised.
    // Open waits the same way for a header, an index file and a start minute that the
    // recording has not written yet.
    bool wait_on_cut = false;
    // A camera that reaches the file's current end while the finished recording would have it
    // read on makes the step wait too, so that every step does exactly what it does on the
    // finished file. For a follower that is told when the file is finished (it then turns
    // this off and lets the waiting step end).
    bool wait_at_end = false;
    GrowthWatch watch;

    // The waiting step, if any, and whether camera A took a record in it.
    StepPhase pending = StepPhase::none;
    bool a_took = false;

    // An Open that waits for the recording; no step runs before it is done.
    OpenWait opening = OpenWait::none;

    bool waiting() const { return pending != StepPhase::none; }

    // Measures nothing: whether data that is not there yet may still come, by the last
    // length the watch was given.
    bool may_grow() const { return wait_on_cut && !watch.quiet(); }

    // A new file: no step waits, the watch starts again. The flags and the grace stay.
    void restart() {
        pending = StepPhase::none;
        a_took = false;
        watch.restart();
    }
};

}  // namespace korvel
