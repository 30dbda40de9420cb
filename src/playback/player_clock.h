#pragma once

#include <chrono>

namespace korvel {

// Where the player reads the time: the machine's steady clock, or a clock a test moves by
// hand, so that following a growing recording can be tested without waiting for it.
class PlayerClock {
  public:
    using Clock = std::chrono::steady_clock;
    virtual ~PlayerClock() = default;
    virtual Clock::time_point now() const = 0;
};

// The machine's steady clock, shared by every player that is given no other.
const PlayerClock& steady_player_clock();

}  // namespace korvel
