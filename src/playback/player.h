#pragma once

#include <cstdint>
#include <memory>

#include "playback/document.h"
#include "playback/follow_state.h"
#include "playback/playback_observer.h"
#include "playback/playback_session.h"
#include "playback/playback_view.h"
#include "playback/player_clock.h"
#include "playback/read_span.h"

namespace korvel {

class DecodeAhead;

// What a playback step came to, for whoever plays: the viewer's timer, the headless loop.
enum class StepAnswer : uint8_t {
    stepped,  // the step ran and there is more to read
    waiting,  // all there is has been read, and the file grew within the grace time: more is
              // to come (a step may wait for a record cut by the end)
    end,      // all there is has been read and the file is not growing: the end of the data
    shrunk,   // the file is now shorter than what the readers have read (measured afresh)
};

// What a follower found when it looked at the file again.
enum class Growth : uint8_t {
    grew,   // its length changed: read on
    still,  // the same length, not yet for the grace time: look again later
    quiet,  // the same length for the grace time: the recording is finished
};

// Plays one recording at a time: owns the playback session (the open recording, the readers'
// positions and newest lines, the totals, the view flags the menus read), the follow mode and
// the clock it is read against, and the optional thread that decodes camera B's records ahead.
// The viewer's timer and every headless program step through here; the view only draws what
// the step hands it.
class Player {
  public:
    explicit Player(const PlayerClock& clock = steady_player_clock());
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    PlaybackSession& session() { return session_; }
    const PlaybackSession& session() const { return session_; }

    // How a recording that may still be growing is read (see FollowMode), with the time it
    // must keep its length to count as finished.
    void set_follow(FollowMode mode, GrowthWatch::Clock::duration grace = kFollowGrace);
    FollowMode follow() const { return session_.follow.mode; }

    // Whether each new file's camera-B records are decoded ahead on a second thread (on by
    // default). The steps take the same decisions either way; a file already playing keeps
    // how it started.
    void set_decode_ahead(bool on) { decode_ahead_wanted_ = on; }
    bool decodes_ahead() const { return ahead_ != nullptr; }

    // Whether a step may run: playback runs and the document's file is open and read.
    bool may_step(const Document& doc) const;

    // One playback step (see playback_step), drawn on view and reported to observer (may be
    // null), and what it came to. Raises the step's FatalError.
    StepAnswer step(PlaybackView& view, Document& doc, PlaybackObserver* observer = nullptr);

    // What the readers' state comes to against the file's length: the one place that decides
    // between reading on, waiting for more, the end and a file that shrank.
    StepAnswer answer(uint64_t length);

    // A step waits for the file to grow (it goes on from there).
    bool waiting() const { return session_.follow.waiting(); }

    // Following, at the end of the data: measures the file now, notes its length in the
    // watch, and says whether it grew beyond length since, or has now been quiet for the
    // grace time.
    Growth look_for_growth(uint64_t length);

    // The recording is finished: from now on it is read as such, and a waiting step ends as it
    // does on the finished file.
    void finish() { session_.follow.mode = FollowMode::finished; }

    // Playback read the recording to its end and met no line beyond the start line.
    bool ended_before_start() const;

    // The bytes the readers have covered since the file's fresh start, which the first step
    // after Open marks; mark_start() marks it at once, for a caller that reports before a step.
    const ReadSpan& span() const { return span_; }
    void mark_start();

  private:
    void start_file();  // a fresh start: the decode-ahead thread over the new file, the span

    PlaybackSession session_;
    const PlayerClock& clock_;
    bool decode_ahead_wanted_ = true;
    std::unique_ptr<DecodeAhead> ahead_;
    ReadSpan span_{0, 0, 0};
};

}  // namespace korvel
