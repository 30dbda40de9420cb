#pragma once

#include <QString>

namespace korvel {

// The companion viewer "mirvan": looked for beside korvel's executable first, then on PATH.
// Empty when it is nowhere to be found.
QString find_companion_viewer();

// Starts the companion viewer on its own, with no shell and no arguments, and forgets it:
// korvel neither waits for it nor talks to it. Failure is silent; returns whether it started.
bool start_companion_viewer();

}  // namespace korvel
