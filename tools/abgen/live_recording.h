#pragma once

#include "format/recording_writer.h"
#include "io/vector_sink.h"
#include "live_file.h"
#include "rain_simulator.h"

namespace korvel {

// The longest a live run may take, in seconds of real time (about 31 years): every wait is
// then a whole number of nanoseconds on the steady clock, far from where it overflows.
inline constexpr double kLongestLiveSeconds = 1e9;

// Runs the simulator and writes its records through writer at the pace of real time times
// speed: each slice of the rain (50 ms of it) goes out when its time has come, after the
// first slice at once, and is flushed to data straight away. The index is written over
// index_file as each minute of the day begins (then with the entries known so far; the
// others hold the length written, where the minute's first record will go). Finishes the
// writer and writes the complete index.
//
// About once a second, and at the end, both names are checked: when either has been removed
// or replaced, the run stops with FatalError saying so. When a write fails (a full disk, a
// file size limit), the recording is cut back to its last whole record and the index made to
// match, so that what was written replays cleanly, and FatalError gives the reason and what
// was kept. Raises FatalError too when speed makes the run longer than kLongestLiveSeconds.
void write_rain_live(RainSimulator& rain, RecordingWriter& writer, LiveFile& data,
                     VectorSink& index_tables, LiveFile& index_file, double speed);

}  // namespace korvel
