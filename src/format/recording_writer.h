#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codec/line_entry.h"
#include "format/index_file.h"
#include "format/minute_index_builder.h"
#include "format/recording_header.h"
#include "io/byte_sink.h"

namespace korvel {

// What a writer has written so far; index 0 is camera A, 1 camera B.
struct RecordingStats {
    std::array<uint64_t, 2> camera_records{};
    std::array<uint64_t, 2> camera_lines{};
    uint64_t other_records = 0;
    uint64_t bytes = 0;  // of the .ab so far
};

// Writes a .ab recording and, at finish(), its .abh index. The header record goes out at
// construction; the records follow in the order they are added, streamed straight to the
// sink, so a recording of any size is never held in memory. Per camera the caller adds lines
// in rising order and interleaves the cameras in time, as the instrument does; the writer
// does not reorder.
class RecordingWriter {
  public:
    // Raises std::invalid_argument for a header no reader could use (validate_header).
    RecordingWriter(ByteSink& data, ByteSink& index, const RecordingHeader& header);

    // Encodes lines as records of camera A (kCameraARecord) or B (kCameraBRecord), split into
    // as many records as the reader's limits require (kMaxLinesPerRecord lines and
    // kPayloadCapacity bytes each). No lines, no record.
    void add_camera_lines(int16_t type, std::span<const LineEntry> lines);

    // Writes an already encoded camera payload as it is, whatever it holds; first_line is
    // the line number the index files it under and line_count what the stats count.
    void add_camera_payload(int16_t type, double first_line, std::span<const uint8_t> payload,
                            uint64_t line_count);

    // Writes a record of another type (3 or any value but 1 and 2), which readers pass over.
    void add_other_record(int16_t type, std::span<const uint8_t> payload);

    // Writes the index and closes both sinks. Nothing may be added afterwards.
    void finish();

    // The index as it stands: the entries the records so far settle, the others holding the
    // length written so far. A live recording's readers get it before the whole is written.
    std::vector<uint8_t> index_so_far() const;

    const RecordingHeader& header() const { return header_; }
    const RecordingStats& stats() const { return stats_; }

  private:
    void write_record(int16_t type, std::span<const uint8_t> payload);

    ByteSink& data_;
    ByteSink& index_;
    RecordingHeader header_;
    MinuteIndexBuilder index_builder_;
    RecordingStats stats_;
    bool finished_ = false;
};

}  // namespace korvel
