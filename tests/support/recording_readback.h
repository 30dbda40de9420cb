#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "codec/line_entry.h"

namespace korvel::test {

// A recording read back the way the viewer reads it: record by record through the record
// reader, camera payloads through the decoder.

struct ReadRecord {
    uint32_t offset = 0;
    int16_t type = 0;
    std::vector<uint8_t> payload;
};

// Every record from byte 0 (the header record first) to the end of the bytes.
std::vector<ReadRecord> read_all_records(const std::vector<uint8_t>& ab);

// Decodes one camera payload; fails the current test unless the decoder takes it whole
// (result 1, every declared line produced).
std::vector<LineEntry> decode_whole(const std::vector<uint8_t>& payload, int16_t version);

// The lines of one camera (record type 1 or 2) over the whole recording, in file order.
std::vector<LineEntry> camera_lines(const std::vector<ReadRecord>& records, int16_t type,
                                    int16_t version);

// The two tables of an .abh index, 1442 entries each.
std::array<std::vector<uint32_t>, 2> read_index(const std::vector<uint8_t>& abh);

}  // namespace korvel::test
