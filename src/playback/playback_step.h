#pragma once

#include "particles/decode_context.h"
#include "playback/document.h"
#include "playback/playback_observer.h"
#include "playback/playback_session.h"
#include "playback/playback_view.h"

namespace korvel {

// Whether a timer tick may run a playback step: playback runs, the document has a path
// name, and a data file is open with its decoding context, which Open has finished reading
// (it may wait for a recording still being created). (After Close File the document keeps
// its path name, so the path alone is not enough.)
bool playback_step_may_run(const PlaybackSession& session, const Document& doc);

// One playback step: camera A takes at most one record of its own, camera B reads on until
// its newest line has caught up with A's (or all of it, once A is exhausted), every decoded
// record is assembled, drawn, checked and counted as the view flags say, and the cameras are
// matched at the end. The first step after Open starts the file afresh (view state, the
// correction file, the queues). Returns 1. Raises FatalError for read errors ("mp71",
// "mp02", "mp03", "cmpr_n < 0", "mp04", ...), a damaged correction file and chronology
// errors; the caller shows the text and ends the program. observer may be null.
//
// A recording may still be growing (session.follow's mode). Then a record cut by the file's
// end makes the step wait instead of raising its read error, until the file has kept its
// length for the grace time; in FollowMode::wait_at_end, so does a camera at the file's end.
// A waiting step returns early (nothing matched) with follow.pending set, and the next call
// goes on from there, reading the same records in the same order as on the finished file.
// The step reads the time once, from the clock session.follow was given.
//
// Player::step is the one caller: it owns the session and says what the step's outcome means.
int playback_step(PlaybackSession& session, PlaybackView& view, Document& doc, DecodeContext& ctx,
                  PlaybackObserver* observer = nullptr);

// Playback that has read the recording to its end met no line beyond the start line: the
// recording ends before the chosen start time (a start at midnight never lies beyond it).
bool playback_ended_before_start(const PlaybackSession& session);

// Playback has read what there is: a step waits for the file to grow, or both cameras
// stand at the file's length.
bool playback_caught_up(const PlaybackSession& session, uint64_t length);

}  // namespace korvel
