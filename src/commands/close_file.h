#pragma once

#include "commands/user_interaction.h"
#include "playback/document.h"
#include "playback/playback_session.h"

namespace korvel {

// The Close File command: closes the open data file, frees its decoding state, lets the views
// repaint and marks the document so that a later Open starts afresh. Whether a file was open
// or not, the main window's title then shows no name and today's local date. The document
// keeps its path name.
void close_file(PlaybackSession& session, Document& doc, UserInteraction& ui);

}  // namespace korvel
