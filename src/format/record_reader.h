#pragma once

#include <cstdint>

#include "format/raw_record.h"
#include "io/byte_source.h"

namespace korvel {

// Reads the record whose type field stands at pos into rec and advances pos past it
// (pos + 4 + cmpr_n). Raises FatalError before pos moves: "mp02" (type cut short), "mp03"
// (cmpr_n cut short), "cmpr_n < 0", "mp04" (payload cut short), and a rejection of a cmpr_n
// larger than the payload buffer or of a next position that would not fit in 32 bits.
void read_record(ByteSource& source, uint32_t& pos, RawRecord& rec);

// The data file's length for a playback step; a length of 0 raises FatalError("mp71").
uint64_t checked_file_length(ByteSource& source);

}  // namespace korvel
