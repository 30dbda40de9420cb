#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codec/line_entry.h"

namespace korvel {

// Cuts a run of scan lines into camera-record payloads that a reader accepts: at most
// kMaxLinesPerRecord lines and kPayloadCapacity bytes each. Each call to next() encodes the
// next piece, as many of the remaining lines as fit, into payload().
class RecordSplitter {
  public:
    RecordSplitter(std::span<const LineEntry> lines, int16_t header_version);

    // Encodes the next piece; false when every line has been handed out.
    bool next();

    const std::vector<uint8_t>& payload() const { return payload_; }
    // The y_count of the current piece's first line, and how many lines it holds.
    double first_line() const { return first_line_; }
    size_t line_count() const { return count_; }

  private:
    size_t guess_fit() const;

    std::span<const LineEntry> lines_;
    int16_t header_version_;
    size_t done_ = 0;
    size_t count_ = 0;
    double first_line_ = 0.0;
    // Bytes per line of the last piece that overflowed, to guess the next cut near the limit
    // instead of searching from the top again. 0 until a piece has overflowed.
    double bytes_per_line_ = 0.0;
    std::vector<uint8_t> payload_;
};

}  // namespace korvel
