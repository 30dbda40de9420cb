#pragma once

#include <chrono>
#include <cstdint>

#include "commands/headless_player.h"

namespace korvel::replay {

// How a wait at the end of a followed recording ended.
enum class FollowWait {
    grew,     // the file's length changed: read on
    idle,     // it kept its length for the watch's grace time: the recording is finished
    stopped,  // SIGINT, SIGTERM or SIGHUP asked the replay to stop
};

// How often a follower measures the file while it waits.
inline constexpr std::chrono::milliseconds kFollowPoll{200};

// Waits, as tail -f does, for the player's data file to grow beyond length: measures it every
// poll, noting each length in the session's follow watch, whose grace is the idle time.
FollowWait wait_for_growth(HeadlessPlayer& player, uint64_t length,
                           std::chrono::milliseconds poll = kFollowPoll);

// Sleeps one poll, as a follower does between two looks at a recording still being created.
// Returns false, at once, when a stop is asked for.
bool pause_unless_stopped(std::chrono::milliseconds poll = kFollowPoll);

// From now on SIGINT, SIGTERM and SIGHUP do not kill the process but ask a follower to stop; it
// then ends as at the end of the data, with its summary.
void catch_stop_signals();
bool stop_requested();

}  // namespace korvel::replay
