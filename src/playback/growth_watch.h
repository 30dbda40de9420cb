#pragma once

#include <chrono>
#include <cstdint>

namespace korvel {

// How long a recording must keep its length before it counts as finished: a record cut by its
// end is then a read error, a follower stops, and a file that grew more recently than this is
// shown as still being written. The one grace time of every reader of a growing recording.
inline constexpr std::chrono::seconds kFollowGrace{10};

// Watches the length of a recording that an instrument may still be writing: when it was
// first seen, when it last grew, and whether it has now kept the same length for the grace
// time. A reader that meets a record cut by the file's end asks it whether the writer may
// still complete that record (the file is not quiet yet) or whether the file is really cut.
// It reads no clock: every question comes with the time it is asked at.
class GrowthWatch {
  public:
    using Clock = std::chrono::steady_clock;

    // How long the length must stay the same before the file counts as quiet.
    void set_grace(Clock::duration grace) { grace_ = grace; }
    Clock::duration grace() const { return grace_; }

    // Forgets what was seen: the next observation starts the watch afresh (a new file).
    void restart() { seen_ = false; grown_ = false; }

    // Notes the length measured at now. The first observation starts the quiet time; every
    // change of length restarts it.
    void observe(uint64_t length, Clock::time_point now) {
        if (!seen_ || length != length_) {
            // Only a longer file is being written to; one cut shorter is not.
            grown_ = seen_ && length > length_;
            seen_ = true;
            length_ = length;
            changed_at_ = now;
        }
    }

    // The file has kept its length for the grace time, counted from the first observation or
    // the last change, whichever is later. Never quiet before the first observation.
    bool quiet(Clock::time_point now) const { return seen_ && now - changed_at_ >= grace_; }

    // The length was last seen to change within the span, and it grew then (the file is being
    // written to).
    bool grew_within(Clock::duration span, Clock::time_point now) const {
        return grown_ && now - changed_at_ < span;
    }

    uint64_t length() const { return length_; }

  private:
    Clock::duration grace_ = kFollowGrace;
    Clock::time_point changed_at_{};
    uint64_t length_ = 0;
    bool seen_ = false;
    bool grown_ = false;
};

}  // namespace korvel
