#include "format/record_reader.h"

#include <cstdio>

#include "common/fatal_error.h"
#include "common/little_endian.h"

namespace korvel {

namespace {

constexpr uint64_t kLargestPosition = 0xFFFFFFFFu;

[[noreturn]] void reject_oversize(uint32_t pos, int cmpr_n) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Record at byte offset %u has a payload of %d bytes, more than the maximum "
                  "of %d",
                  pos, cmpr_n, kPayloadCapacity);
    throw FatalError(text);
}

[[noreturn]] void reject_beyond_reach(uint32_t pos, int cmpr_n) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Record at byte offset %u (%d payload bytes) ends beyond the largest file "
                  "position of %llu",
                  pos, cmpr_n, static_cast<unsigned long long>(kLargestPosition));
    throw FatalError(text);
}

}  // namespace

void read_record(ByteSource& source, uint32_t& pos, RawRecord& rec) {
    // The 4 bytes of type and cmpr_n come in one read; how many arrived tells which of the
    // two fields was cut short.
    uint8_t head[4];
    const size_t got = source.read_at(pos, head, sizeof head);
    if (got < 2) throw FatalError("mp02");
    if (got < 4) throw FatalError("mp03");
    const int16_t type = load_i16(head);
    const int16_t cmpr_n = load_i16(head + 2);
    if (cmpr_n < 0) throw FatalError("cmpr_n < 0");
    if (cmpr_n > kPayloadCapacity) reject_oversize(pos, cmpr_n);
    // Read positions are 32-bit. A next position that wrapped round to the start of the file
    // would replay the recording forever, so the record must end within reach.
    const uint64_t next = uint64_t{pos} + 4 + static_cast<uint64_t>(cmpr_n);
    if (next > kLargestPosition) reject_beyond_reach(pos, cmpr_n);

    if (cmpr_n > 0) {
        const size_t n = static_cast<size_t>(cmpr_n);
        if (source.read_at(uint64_t{pos} + 4, rec.payload.data(), n) != n) {
            throw FatalError("mp04");
        }
    }
    rec.type = type;
    rec.cmpr_n = cmpr_n;
    pos = static_cast<uint32_t>(next);
}

uint64_t checked_file_length(ByteSource& source) {
    const uint64_t length = source.length();
    if (length == 0) throw FatalError("mp71");
    return length;
}

}  // namespace korvel
