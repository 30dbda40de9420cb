#pragma once

#include "commands/user_interaction.h"
#include "playback/document.h"
#include "playback/playback_session.h"

namespace korvel {

// The part of Open that reads the recording once its data file is open: the header record,
// the window's title, the index file and the read positions of the start time's minute.
//
// An instrument creates its recording while it is read: the data file may be empty or hold
// part of its header, the index file may not exist yet or be cut short, and the index's
// entries for minutes not yet written do not yet say where those minutes begin. While the
// session's follow state lets the recording grow (FollowState::may_grow), Open waits for each
// of these: it notes what it waits for in follow.opening and returns, and read_recording
// called again goes on from there. Once the data file has kept its length for the watch's
// grace time, each of them is what it would be on the finished file: the header's and the
// index's read errors, the index file's report, the entries as they stand.
//
// Raises FatalError as Open does; an index file that cannot be opened goes to
// ui.report_file_error and playback then starts at the beginning of the data file.
void read_recording(PlaybackSession& session, Document& doc, UserInteraction& ui);

// Open waits for the recording to be written.
inline bool open_waiting(const PlaybackSession& session) {
    return session.follow.opening != OpenWait::none;
}

}  // namespace korvel
