#pragma once

#include <array>
#include <cstdint>

#include "format/header_area.h"
#include "io/byte_source.h"

namespace korvel {

// A calendar date in the proleptic Gregorian calendar.
struct CivilDate {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
};

// Breaks seconds since 1970-01-01 00:00:00 UTC down into the UTC date; defined for negative
// values too (dates before 1970).
CivilDate utc_date(int64_t seconds_since_epoch);

// What the header record yields for the playback session.
struct HeaderInfo {
    int16_t header_version = 0;  // 0, 1 or 2 (see kHeaderPayloadLengths)
    double line_rate = 0.0;      // scan lines per second
    int16_t line_width = 0;      // pixels per scan line of one camera
    int32_t start_time = 0;      // seconds since 1970 UTC
    CivilDate date;              // start_time broken down in UTC
};

// The payload length of the header record of versions 0, 1 and 2: the length alone tells the
// version, nothing else in the record does.
inline constexpr std::array<int16_t, 3> kHeaderPayloadLengths = {38, 54, 56};

// The payload length of a header record of that version (2's for any version above 1).
constexpr int16_t header_payload_length(int16_t header_version) {
    return kHeaderPayloadLengths[header_version == 0 || header_version == 1 ? header_version : 2];
}

// Copies the fields of that header version from the payload into the header area and
// returns line_width (512 for versions 0 and 1, 2 x half_width for version 2).
// The payload holds at least header_payload_length(header_version) bytes. Raises FatalError for a
// version other than 0, 1, 2 and for a version-2 half_width outside 1..16383, before the
// header area is changed.
int16_t parse_header(HeaderArea& header, const uint8_t* payload, int16_t header_version);

// Reads the header record from byte 0 of a freshly opened file, parses it into header and
// returns what it yields. Raises FatalError: "eval_arg41", "eval_arg42", "eval_arg43" for a
// record cut short, and clear texts for a header that gives no usable version, line rate or
// line width.
HeaderInfo read_header(ByteSource& source, HeaderArea& header);

}  // namespace korvel
