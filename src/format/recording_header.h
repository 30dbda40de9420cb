#pragma once

#include <cstdint>
#include <vector>

#include "format/header_area.h"

namespace korvel {

// The values a writer puts into a recording's header record. Version 0 stores the line rate
// as a divisor of the 1193180 Hz clock, versions 1 and 2 as a double; only version 2 stores
// the line width (as half_width). Every other header field is written as zero.
struct RecordingHeader {
    int16_t version = 2;       // 0, 1 or 2
    int16_t rate_divisor = 0;  // version 0: line rate = 1193180 / rate_divisor, truncated
    double line_rate = 0.0;    // versions 1 and 2: scan lines per second
    int16_t half_width = 256;  // version 2: half the pixels of one scan line
    int32_t start_time = 0;    // seconds since 1970-01-01 00:00:00 UTC
};

// The line rate a reader takes from this header: for version 0 the truncated integer
// quotient, for versions 1 and 2 the stored double.
double effective_line_rate(const RecordingHeader& header);

// Scan lines per minute as a reader of the index counts them: floor(line_rate x 60).
int64_t lines_per_minute(const RecordingHeader& header);

// Raises std::invalid_argument for a header no reader could use: an unknown version, a line
// rate or divisor of zero or less, less than one line per minute, or a half_width of zero or
// less in version 2.
void validate_header(const RecordingHeader& header);

// The whole header record (type 0, cmpr_n header_payload_length(version), then the payload),
// appended to out.
void append_header_record(const RecordingHeader& header, std::vector<uint8_t>& out);

}  // namespace korvel
