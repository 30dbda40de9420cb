#pragma once

#include <cstdint>
#include <span>

#include "format/raw_record.h"
#include "io/byte_source.h"

namespace korvel {

// Reads the record whose type field stands at pos into rec and advances pos past it
// (pos + 4 + cmpr_n). Raises FatalError before pos moves: "mp02" (type cut short), "mp03"
// (cmpr_n cut short), "cmpr_n < 0", "mp04" (payload cut short), and a rejection of a cmpr_n
// larger than the payload buffer or of a next position that would not fit in 32 bits.
void read_record(ByteSource& source, uint32_t& pos, RawRecord& rec);

// read_record for a file that may still be growing: a record cut short by the end of the
// data is not raised but answered with the text its read error would carry ("mp02", "mp03"
// or "mp04"), pos left at the record's start; nullptr when the record was read. A short
// read happens only at the end of the data, so every such record is one the writer may
// still be completing. The other errors are raised as read_record raises them.
const char* read_record_unless_cut(ByteSource& source, uint32_t& pos, RawRecord& rec);

// Passes over a run of empty records at pos: records of type 0 and length 0, that is four
// zero bytes each, as a sparse or pre-allocated tail of a file holds them by the billion.
// Returns the position after the last of them that starts before length (a reader reads
// every record that starts before the file's length) and ends within reach of 32-bit
// positions, exactly where reading them one by one would leave the reader; pos itself when
// no such record stands there. Reads the bytes in pieces of scratch's size, so the run goes
// by at memory speed. Raises nothing: whatever ends the run is left to read_record.
uint32_t pass_empty_records(ByteSource& source, uint32_t pos, uint64_t length,
                            std::span<uint8_t> scratch);

// The data file's length for a playback step; a length of 0 raises FatalError("mp71").
uint64_t checked_file_length(ByteSource& source);

}  // namespace korvel
