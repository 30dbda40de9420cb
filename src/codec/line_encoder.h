#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "codec/line_entry.h"

namespace korvel {

// Choices the encoder normally makes itself; tests force them to reach every code width.
struct EncodeOptions {
    int min_gap_bits = 1;     // gap codes at least this wide (1..15)
    int min_run_bits = 1;     // run codes at least this wide (1..15)
    bool use_repeats = true;  // identical consecutive lines as repeat codes
};

// The decoder's inverse: writes the camera-record payload (i16 line count, then blocks) for
// lines, appending it to out, and returns the payload's size in bytes. Lines must be in
// rising y_count order, each with 1..6 segments left to right (start_x <= end_x, each start
// at or after the previous end), and at most kMaxLinesPerRecord of them. A block ends where
// the line numbers skip or its 14-bit length would overflow; header versions 0 and 1 store
// a block's first line number as u32 (whole, non-negative numbers only), version 2 as f64.
// Throws std::invalid_argument for lines it cannot represent. The caller checks the size
// against the record limit (kPayloadCapacity) and splits the lines if it is exceeded.
size_t encode_record(std::span<const LineEntry> lines, int16_t header_version,
                     std::vector<uint8_t>& out, const EncodeOptions& options = {});

}  // namespace korvel
