#pragma once

#include <cstdint>
#include <vector>

namespace korvel::test {

// Byte sequences of .ab recordings, built in memory: records (i16 type, i16 cmpr_n, payload)
// and the payloads of the three header versions.

// Appends one record. cmpr_n is the payload's size unless given (to build lying lengths).
void append_record(std::vector<uint8_t>& out, int16_t type, const std::vector<uint8_t>& payload);
void append_record(std::vector<uint8_t>& out, int16_t type, int16_t cmpr_n,
                   const std::vector<uint8_t>& payload);

std::vector<uint8_t> record_bytes(int16_t type, const std::vector<uint8_t>& payload);

// Header payloads. The fields nobody interprets are filled with a byte pattern (byte i of the
// payload is 0x40 + i) so a test can check that every field was copied from its own offset.
std::vector<uint8_t> header_v0_payload(int16_t rate_divisor, int32_t start_time);
std::vector<uint8_t> header_v1_payload(double line_rate, int32_t start_time);
std::vector<uint8_t> header_v2_payload(double line_rate, int16_t half_width, int32_t start_time);

// A whole header record of each version (type 0).
std::vector<uint8_t> header_v0_record(int16_t rate_divisor, int32_t start_time);
std::vector<uint8_t> header_v1_record(double line_rate, int32_t start_time);
std::vector<uint8_t> header_v2_record(double line_rate, int16_t half_width, int32_t start_time);

}  // namespace korvel::test
