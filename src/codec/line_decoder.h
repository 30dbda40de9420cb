#pragma once

#include <cstdint>

#include "codec/line_entry.h"

namespace korvel {

// Decodes one camera-record payload into scan lines, into out (room for kMaxLinesPerRecord
// lines). The decoder keeps nothing between calls and allocates nothing.
// Returns 1 when lines were decoded (count = the number of lines actually produced, which
// is less than the declared count when the data ends early or is malformed), 0 when the
// record is to be ignored (declared line count 0, or a repeat code before the record's first
// decoded line). Never reads outside payload[0, payload_length) or the context's buffers and
// never writes more than kMaxLinesPerRecord lines to out.
int decode_record(int16_t header_version, const uint8_t* payload, int payload_length,
                  LineEntry* out, int16_t& count);

// decode_record with every code checked against its block's length as it is read, where
// decode_record checks a whole line's worth at once wherever the block is long enough: the
// plain reading that the fast one is held to, code for code.
int decode_record_checked(int16_t header_version, const uint8_t* payload, int payload_length,
                          LineEntry* out, int16_t& count);

}  // namespace korvel
