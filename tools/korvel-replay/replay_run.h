#pragma once

#include <cstdio>

#include "replay_drawing.h"
#include "replay_options.h"

namespace korvel::replay {

// Opens the recording as the viewer's Open command does and runs its playback steps back to
// back. Prints events or the summary to out, fatal texts to err. Returns the exit status:
// 0 at the end of the data (or after --max-steps), 1 after a fatal error, 2 when drawing
// cannot deliver its picture. Without drawing the steps draw nothing.
int run_replay(const ReplayOptions& options, std::FILE* out, std::FILE* err,
               ReplayDrawing* drawing = nullptr);

}  // namespace korvel::replay
