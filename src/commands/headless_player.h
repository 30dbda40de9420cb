#pragma once

#include <cstdint>
#include <stop_token>
#include <string>

#include "commands/headless_interaction.h"
#include "io/file_opener.h"
#include "io/throttled_length_source.h"
#include "playback/document.h"
#include "playback/playback_observer.h"
#include "playback/playback_session.h"
#include "playback/playback_view.h"
#include "playback/player.h"

namespace korvel {

// The view a headless run selects. The steps decode, assemble and match the same in every
// view; the choice decides what is drawn and which checks the drawing runs.
enum class HeadlessView { async, sync, none };

// What a headless run is started with: what the viewer would be given at start-up and asked
// by Open.
struct HeadlessStart {
    std::string path;      // the data file, as if named on the command line
    std::string work_dir;  // the start-up directory, where CORRFACT.DAT is looked for
    int hour = 0;          // the start time Open is answered with
    int minute = 0;
    int second = 0;
    HeadlessView view = HeadlessView::async;
    // An index file that cannot be opened: a tool has nothing sensible to go on with and
    // raises its text as FatalError; the viewer reports it and plays from byte 0 (false).
    bool missing_index_fatal = true;
    // Decode the records on a second thread ahead of the steps (see DecodeAhead); the steps
    // take the same decisions either way. Off: every step reads and decodes in place.
    bool decode_ahead = true;
};

// Told about every step of a run, on the thread that plays. Every member may throw
// FatalError, which ends the run as the step's own would.
class StepHook {
  public:
    virtual ~StepHook() = default;
    // Before step number step (1, 2, ...). A stop requested here keeps the step from running.
    virtual void before_step(int64_t /*step*/) {}
    // After the step, with the data file's length measured after it.
    virtual void after_step(int64_t /*step*/, uint64_t /*length*/) {}
    // The step raised FatalError; called before it goes on to the caller.
    virtual void step_failed(int64_t /*step*/) {}
};

// How a run ended.
enum class PlayEnd {
    end_of_data,  // the player answered anything but stepped (see answer()): both read
                  // positions reached the data file's length, a step waits for it to grow, or
                  // it shrank; play() again goes on from there
    stopped,      // a stop was requested, or the step limit reached
};

// Plays a recording without a window, as the viewer would with the file named at start-up:
// Open answered headless, then the player's steps back to back until it has read all there
// is. The data file is measured at most once a millisecond (see ThrottledLengthSource), so a
// file that grows is seen to grow.
//
// Everything a headless tool plays goes through here, a loop around Player::step; a hook sees
// every step and a stop request ends the run between two steps.
class HeadlessPlayer {
  public:
    HeadlessPlayer(HeadlessStart start, FileOpener& opener,
                   const PlayerClock& clock = steady_player_clock());

    // Runs Open. Raises FatalError with Open's text, with the index file's text when
    // start.missing_index_fatal, and "no file was opened" when Open opened nothing. Returns
    // true once the file is open. While the follow mode lets the recording grow, Open may
    // wait for a recording still being created (see read_recording): it returns false, and
    // open() called again, after a pause, goes on; it returns true or raises its error once
    // the file has kept its length for the follow watch's grace time.
    bool open();

    // Runs steps, after open(), until the end of the data, a requested stop or max_steps
    // steps (-1: no limit). observer and hook may be null. Raises the steps' FatalError.
    PlayEnd play(PlaybackView& view, PlaybackObserver* observer, StepHook* hook = nullptr,
                 std::stop_token stop = {}, int64_t max_steps = -1);

    Player& player() { return player_; }
    PlaybackSession& session() { return player_.session(); }
    const PlaybackSession& session() const { return player_.session(); }
    // The decoding state, once open() has succeeded.
    DecodeContext& context() { return *session().decode_context; }
    // What the last step came to (stepped before the first).
    StepAnswer answer() const { return answer_; }
    // What Open reported: the index file's failure, a message.
    const HeadlessInteraction& interaction() const { return ui_; }
    // The steps run so far.
    int64_t steps() const { return steps_; }
    // The data file's length measured now, whenever it was measured last (after open()).
    uint64_t length_now();

  private:
    Player player_;
    Document doc_;
    HeadlessInteraction ui_;
    FileOpener& opener_;
    bool missing_index_fatal_;
    ThrottledLengthSource* data_ = nullptr;  // the session's data file, once open
    int64_t steps_ = 0;
    bool asked_ = false;  // Open has run its dialogs and opened the data file
    StepAnswer answer_ = StepAnswer::stepped;
};

}  // namespace korvel
