#pragma once

#include <cstdint>
#include <vector>

#include "codec/line_entry.h"
#include "format/recording_writer.h"
#include "io/vector_sink.h"

namespace korvel::test {

// A small recording built record by record, for tests that follow the playback step from
// record to record: every add returns the byte offset of the record it wrote, so a test can
// name the position each reader should stand at.
class StepRecording {
  public:
    // Header version 2 with the given line rate, recorded on 2006-06-07.
    explicit StepRecording(double line_rate = 1000.0);

    // One camera record (type 1 or 2) of count consecutive lines from first_y, each with the
    // one run [x0, x1]: two or more such lines make one particle.
    uint32_t add_lines(int16_t type, double first_y, int count, int x0 = 100, int x1 = 110);
    // One camera record that declares no line, so it decodes to nothing.
    uint32_t add_empty(int16_t type);
    // A record of another type, which both readers pass over.
    uint32_t add_other(int16_t type = 3);

    // Writes the index; nothing may be added afterwards.
    void finish();

    const std::vector<uint8_t>& ab() const { return data_.bytes(); }
    const std::vector<uint8_t>& abh() const { return index_.bytes(); }
    uint32_t length() const { return static_cast<uint32_t>(data_.bytes().size()); }

  private:
    uint32_t offset() const { return static_cast<uint32_t>(writer_.stats().bytes); }

    VectorSink data_;
    VectorSink index_;
    RecordingWriter writer_;
};

// Index tables whose every entry is pos_a (camera A) and pos_b (camera B): whatever the start
// time, the readers start there.
std::vector<uint8_t> index_at(uint32_t pos_a, uint32_t pos_b);

// Records A1, B1, A2, B2 of four lines each with rising line numbers (1000, 1100, 1200,
// 1300), optionally with records of other types between them.
struct FourRecords {
    StepRecording r;
    uint32_t a1, b1, a2, b2;
    explicit FourRecords(bool with_others = false);
};

// B0, A1, B1, A2, B2 (900, 1000, 1100, 1400, 1500): at the second step matching drops B0,
// earlier than every A, and pairs A1 with B1.
struct MatchRecording {
    StepRecording r;
    uint32_t b0, a1;
    MatchRecording();
};

}  // namespace korvel::test
