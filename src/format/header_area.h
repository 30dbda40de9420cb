#pragma once

#include <cstdint>

namespace korvel {

// The clock that a version-0 header's rate_divisor divides: line rate = 1193180 / divisor,
// truncated to a whole number.
inline constexpr int32_t kRateClock = 1193180;

// The fields of the file's header record, copied as they were read. Only rate_divisor,
// line_rate, half_width and start_time mean anything to the viewer; the others are kept so
// that the whole header is available, and nothing reads them.

// Header version 1 (54-byte payload) and version 2 (56 bytes: half_width inserted at 14).
struct HeaderFieldsV12 {
    uint16_t w0 = 0, w2 = 0, w4 = 0;
    double line_rate = 0.0;  // scan lines per second
    int16_t half_width = 0;  // version 2 only: half the pixels of one scan line
    uint16_t w14 = 0, w16 = 0;
    uint32_t d18 = 0, d22 = 0, d26 = 0, d30 = 0, d34 = 0, d38 = 0, d42 = 0;
    uint16_t w46 = 0, w48 = 0;
    int32_t start_time = 0;  // seconds since 1970-01-01 00:00:00 UTC
};

// Header version 0 (38-byte payload).
struct HeaderFieldsV0 {
    uint16_t w0 = 0, w2 = 0;
    int16_t rate_divisor = 0;  // line rate = 1193180 / rate_divisor, truncated
    uint16_t w6 = 0, w8 = 0;
    uint32_t d10 = 0, d14 = 0, d18 = 0, d22 = 0, d26 = 0;
    uint16_t w30 = 0, w32 = 0;
    int32_t start_time = 0;
};

// The header area of a decoding context: the version-1/2 fields, then the version-0 fields.
struct HeaderArea {
    HeaderFieldsV12 v12;
    HeaderFieldsV0 v0;
};

}  // namespace korvel
