#include "format/record_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

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

const char* read_record_unless_cut(ByteSource& source, uint32_t& pos, RawRecord& rec) {
    // The 4 bytes of type and cmpr_n come in one read; how many arrived tells which of the
    // two fields was cut short.
    uint8_t head[4];
    const size_t got = source.read_at(pos, head, sizeof head);
    if (got < 2) return "mp02";
    if (got < 4) return "mp03";
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
        if (source.read_at(uint64_t{pos} + 4, rec.payload.data(), n) != n) return "mp04";
    }
    rec.type = type;
    rec.cmpr_n = cmpr_n;
    pos = static_cast<uint32_t>(next);
    return nullptr;
}

void read_record(ByteSource& source, uint32_t& pos, RawRecord& rec) {
    if (const char* cut = read_record_unless_cut(source, pos, rec)) throw FatalError(cut);
}

namespace {

// The number of leading zero 4-byte words of bytes[0, n), n a multiple of 4. Eight bytes are
// tested at a time: this loop is all that a run of empty records costs.
size_t zero_words(const uint8_t* bytes, size_t n) {
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        uint64_t w[4];
        std::memcpy(w, bytes + i, sizeof w);
        if ((w[0] | w[1] | w[2] | w[3]) != 0) break;
    }
    for (; i + 4 <= n; i += 4) {
        uint32_t w = 0;
        std::memcpy(&w, bytes + i, sizeof w);
        if (w != 0) break;
    }
    return i / 4;
}

}  // namespace

uint32_t pass_empty_records(ByteSource& source, uint32_t pos, uint64_t length,
                            std::span<uint8_t> scratch) {
    // Records that may be passed: those starting before length whose end (start + 4) is
    // still a valid position.
    const uint64_t start_limit = std::min<uint64_t>(length, kLargestPosition - 3);
    const size_t piece = scratch.size() / 4 * 4;
    uint64_t at = pos;
    while (at < start_limit && piece > 0) {
        const uint64_t records_left = (start_limit - at + 3) / 4;
        // A hole of a sparse file is zeros through and through: passed without reading it.
        const uint64_t hole_end = source.zeros_until(at);
        if (hole_end > at && hole_end - at >= 4) {
            at += 4 * std::min((hole_end - at) / 4, records_left);
            continue;
        }
        const size_t want = static_cast<size_t>(std::min<uint64_t>(piece, records_left * 4));
        const size_t got = source.read_at(at, scratch.data(), want) / 4 * 4;
        const size_t zeros = zero_words(scratch.data(), got);
        at += 4 * uint64_t{zeros};
        if (zeros * 4 < want) break;  // a record that is not empty, or the end of the data
    }
    return static_cast<uint32_t>(at);
}

uint64_t checked_file_length(ByteSource& source) {
    const uint64_t length = source.length();
    if (length == 0) throw FatalError("mp71");
    return length;
}

}  // namespace korvel
