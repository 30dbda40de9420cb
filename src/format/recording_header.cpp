#include "format/recording_header.h"

#include <cmath>
#include <stdexcept>

#include "common/little_endian.h"
#include "format/header_reader.h"

namespace korvel {

double effective_line_rate(const RecordingHeader& header) {
    if (header.version == 0) {
        if (header.rate_divisor <= 0) return 0.0;
        return static_cast<double>(kRateClock / header.rate_divisor);
    }
    return header.line_rate;
}

int64_t lines_per_minute(const RecordingHeader& header) {
    const double per_minute = std::floor(effective_line_rate(header) * 60.0);
    // Clamp before converting: a huge or non-finite rate must not overflow the conversion.
    if (!(per_minute >= 1.0)) return 0;
    if (per_minute > 1e15) return static_cast<int64_t>(1e15);
    return static_cast<int64_t>(per_minute);
}

void validate_header(const RecordingHeader& header) {
    if (header.version < 0 || header.version > 2)
        throw std::invalid_argument("header version must be 0, 1 or 2");
    if (header.version == 0 && header.rate_divisor <= 0)
        throw std::invalid_argument("rate_divisor must be positive");
    if (header.version != 0 && !(std::isfinite(header.line_rate) && header.line_rate > 0.0))
        throw std::invalid_argument("line_rate must be a positive number");
    if (lines_per_minute(header) < 1)
        throw std::invalid_argument("the line rate gives less than one line per minute");
    if (header.version == 2 && header.half_width <= 0)
        throw std::invalid_argument("half_width must be positive");
}

void append_header_record(const RecordingHeader& header, std::vector<uint8_t>& out) {
    // The size alone tells a reader which layout the payload holds; in each the start time
    // is its last four bytes.
    const int size = header_payload_length(header.version);
    const int start_time_at = size - 4;
    const size_t base = out.size();
    out.resize(base + 4 + static_cast<size_t>(size), 0);
    uint8_t* rec = out.data() + base;
    store_u16(rec, 0);  // the header's type field: nobody examines it
    store_u16(rec + 2, static_cast<uint16_t>(size));
    uint8_t* p = rec + 4;
    if (header.version == 0) {
        store_u16(p + 4, static_cast<uint16_t>(header.rate_divisor));
    } else {
        store_f64(p + 6, header.line_rate);
        if (header.version == 2) store_u16(p + 14, static_cast<uint16_t>(header.half_width));
    }
    store_u32(p + start_time_at, static_cast<uint32_t>(header.start_time));
}

}  // namespace korvel
