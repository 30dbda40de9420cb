#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "playback/playback_session.h"

namespace korvel {

// The companion viewer "mirvan": looked for beside korvel's executable first, then on PATH.
// Empty when it is nowhere to be found.
QString find_companion_viewer();

// The companion viewer's arguments for the recording at path (the bytes the system gave), to
// be shown from the time of day seconds (hh:mm:ss; none when below zero or not a time of
// day). No recording (an empty path), or a name that cannot pass through a command line
// unchanged (bytes that are not UTF-8): no arguments, an empty viewer.
QStringList companion_arguments(const std::string& path, double seconds);

// Where playback stands, as a time of day in seconds: camera A's newest line once a step has
// read one, before that the start time asked for.
double companion_seconds(const PlaybackSession& session);

// Starts the companion viewer on its own, with no shell, and forgets it: korvel neither waits
// for it nor talks to it. Failure is silent; returns whether it started.
bool start_companion_viewer(const QStringList& arguments = {});

}  // namespace korvel
