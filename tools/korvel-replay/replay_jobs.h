#pragma once

#include <cstdio>

#include "replay_drawing.h"
#include "replay_options.h"

namespace korvel::replay {

// Replays every file the options name, --jobs of them side by side, each independently of the
// others. Output comes in the order the files are named: one file's events or summary to out
// as it is written, several files' each held back until the files before it are out. A fatal
// error is reported on err (behind the file's name when there are several) and the other files
// go on. Writes the --minutes CSV and the --overview picture at the end, each complete or not
// at all. Returns 0; 1 when any file failed or an output could not be written.
int run_replays(const ReplayOptions& options, std::FILE* out, std::FILE* err,
                ReplayDrawing* drawing = nullptr);

}  // namespace korvel::replay
