#pragma once

#include <functional>

#include "format/recording_writer.h"
#include "rain_simulator.h"

namespace korvel {

// Runs the simulator to its end and writes its lines through writer: each slice of each
// camera becomes a record (or several, where the record limits require), and the records of
// the two cameras go out interleaved by their first line number, as the instrument writes
// them. Does not finish the writer. on_slice, if given, learns after each slice the share
// of the recording's time written so far (0 to 1). before_slice, if given, learns before a
// slice's records are written the share its end will reach (a live writer waits there).
void write_rain(RainSimulator& rain, RecordingWriter& writer,
                const std::function<void(double)>& on_slice = {},
                const std::function<void(double)>& before_slice = {});

}  // namespace korvel
