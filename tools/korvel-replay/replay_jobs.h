#pragma once

#include <cstdio>

#include "replay_drawing.h"
#include "replay_options.h"

namespace korvel::replay {

// Replays every file the options name, --jobs of them side by side, each independently of the
// others. Output comes in the order the files are named: one file's events or summary to out
// as it is written, several files' each held back until its turn. A fatal error is reported on
// err (behind the file's name when there are several) and the other files go on. Writes the
// --minutes CSV and the --overview picture at the end. Returns 0; 1 when any file failed or
// the CSV could not be written; 2 when a picture (--overview, or drawing) cannot be delivered.
int run_replays(const ReplayOptions& options, std::FILE* out, std::FILE* err,
                ReplayDrawing* drawing = nullptr);

}  // namespace korvel::replay
