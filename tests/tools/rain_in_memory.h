#pragma once

#include <cstdint>
#include <vector>

#include "abgen_options.h"
#include "format/recording_writer.h"
#include "io/vector_sink.h"
#include "rain_recording.h"

namespace korvel::test {

// A recording and its index as abgen writes them with these options, held in memory.
struct Written {
    std::vector<uint8_t> ab;
    std::vector<uint8_t> abh;
};

inline Written generate(const AbgenOptions& o) {
    VectorSink data;
    VectorSink index;
    const RecordingHeader header = header_for(o);
    RecordingWriter writer(data, index, header);
    RainSimulator rain(rain_for(o, header));
    write_rain(rain, writer);
    writer.finish();
    return {data.take(), index.take()};
}

}  // namespace korvel::test
