#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "pair_rows.h"
#include "replay_drawing.h"
#include "replay_options.h"
#include "replay_progress.h"
#include "statistics/minute_statistics.h"

namespace korvel::replay {

// What the replay of one file leaves besides its printed output.
struct FileReplay {
    std::unique_ptr<MinuteStatistics> minutes;  // the counts, once the file opened
    std::FILE* pairs_to = nullptr;              // --pairs: where the rows go (set by the caller)
    std::string pairs_file_column;              // the rows' first field; empty: none
    std::unique_ptr<PairRows> pairs;            // the rows' writer, once the file opened
    std::string fatal_text;                     // the fatal error's text; empty: none
    std::string drawing_error;                  // why the picture was not delivered
};

// Opens one recording as the viewer's Open command does and runs its playback steps back to
// back. Prints events or the summary to out; a fatal text goes to result (and, with events,
// into the stream). Returns the exit status: 0 at the end of the data (or after --max-steps),
// 1 after a fatal error or when drawing cannot deliver its picture (the reason in result).
// Without drawing the steps draw nothing.
int replay_file(const ReplayOptions& options, const std::string& file, std::FILE* out,
                ReplayProgress& progress, size_t file_number, FileReplay& result,
                ReplayDrawing* drawing = nullptr);

}  // namespace korvel::replay
