#pragma once

#include <cstddef>

#include "commands/user_interaction.h"
#include "io/file_opener.h"
#include "playback/document.h"
#include "playback/playback_session.h"

namespace korvel {

// The Open command: asks for a data file (unless one waits in cmd_line_path) and a start time,
// opens the file, reads its header, titles the main window, reads the index file and places
// both cameras' read positions at the minute of the start time.
//
// While a file is open it only shows "File already opened \nFirst close it !!!". Raises
// FatalError for a data file that cannot be opened, a damaged header, a start time that lies
// outside the index file's minutes and a short index file ("pixfil05"); the caller shows the
// text and ends the program. An index file that cannot be opened is reported through
// ui.report_file_error: the command ends there, the data file stays open, and playback starts
// at the beginning of the data file.
//
// A recording still being created may leave Open waiting for it (see read_recording): the
// file then counts as open, but no playback step runs until read_recording has finished.
void open_file(PlaybackSession& session, Document& doc, UserInteraction& ui, FileOpener& opener);

}  // namespace korvel
