// Fuzzes the line decoder with arbitrary camera payloads. The first input byte picks the
// header version (byte mod 3), which decides whether a block's first line number is a u32 or
// an f64; the remaining bytes are the payload, ending exactly where the input ends so that
// the address sanitizer sees any read past it.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/line_decoder.h"
#include "common/little_endian.h"
#include "fuzz_require.h"

namespace korvel::fuzz {
namespace {

// Within a block each line is numbered one above the one before, computed in doubles, so a
// huge or non-finite number may stand still; a NaN stays NaN.
bool follows(double before, double after) {
    if (std::isnan(before)) return std::isnan(after);
    return after == before + 1.0;
}

bool same_number(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// The first line numbers of the blocks the payload lays out, walked the way any reader must:
// stopping where a block's header or data would leave the payload.
std::vector<double> block_first_lines(const uint8_t* p, int size, int version) {
    const int number_size = version == 2 ? 8 : 4;
    const int header_size = 4 + number_size;
    std::vector<double> firsts;
    int pos = 2;
    while (size - pos > header_size) {
        const int block_length = static_cast<int>(load_u32(p + pos) & 0x3FFFu);
        firsts.push_back(number_size == 8 ? load_f64(p + pos + 4)
                                          : static_cast<double>(load_u32(p + pos + 4)));
        if (block_length < header_size || block_length > size - pos) break;
        pos += block_length;
    }
    return firsts;
}

void check_segments(const LineEntry& line) {
    require(line.segment_count >= 1 && line.segment_count <= kMaxSegmentsPerLine,
            "a decoded line holds 1 to 6 runs");
    for (int k = 0; k < kMaxSegmentsPerLine; ++k) {
        const Segment& s = line.segments[static_cast<size_t>(k)];
        if (k >= line.segment_count) {
            require(s.start_x == 0 && s.end_x == 0, "segments beyond the count are zero");
            continue;
        }
        require(s.start_x >= 0 && s.start_x <= s.end_x,
                "a run starts at 0 or later, not after its end");
        if (k > 0) {
            require(s.start_x >= line.segments[static_cast<size_t>(k - 1)].end_x,
                    "runs of a line go left to right");
        }
    }
}

// Every line is either one above the line before it or the first line of a later block.
void check_numbering(const LineEntry* lines, int count, const std::vector<double>& firsts) {
    size_t next_block = 0;
    for (int i = 0; i < count; ++i) {
        const double y = lines[i].y_count;
        if (i > 0 && follows(lines[i - 1].y_count, y)) continue;
        while (next_block < firsts.size() && !same_number(firsts[next_block], y)) ++next_block;
        require(next_block < firsts.size(),
                "a line number that does not follow its predecessor starts a later block");
        ++next_block;
    }
}

struct Outcome {
    int result = -1;
    int16_t count = -1;
};

Outcome decode_into(int version, const uint8_t* payload, int size, int declared,
                    std::vector<LineEntry>& out, double fill) {
    // Whatever the output held before must not show through in what is reported. Only the
    // declared lines can be reported, so only they need marking.
    for (int i = 0; i < std::clamp(declared, 0, kMaxLinesPerRecord); ++i) {
        out[static_cast<size_t>(i)].y_count = fill;
        out[static_cast<size_t>(i)].segment_count = 7;
    }
    Outcome o;
    o.result = decode_record(static_cast<int16_t>(version), payload, size, out.data(), o.count);
    return o;
}

bool same_lines(const std::vector<LineEntry>& a, const std::vector<LineEntry>& b, int count) {
    for (int i = 0; i < count; ++i) {
        const LineEntry& x = a[static_cast<size_t>(i)];
        const LineEntry& y = b[static_cast<size_t>(i)];
        if (!same_number(x.y_count, y.y_count) || x.segment_count != y.segment_count) return false;
        for (int k = 0; k < kMaxSegmentsPerLine; ++k) {
            if (x.segments[static_cast<size_t>(k)].start_x !=
                    y.segments[static_cast<size_t>(k)].start_x ||
                x.segments[static_cast<size_t>(k)].end_x !=
                    y.segments[static_cast<size_t>(k)].end_x)
                return false;
        }
    }
    return true;
}

}  // namespace
}  // namespace korvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvel;
    using namespace korvel::fuzz;
    if (size < 1 || size > 65536) return 0;
    const int version = data[0] % 3;
    const uint8_t* payload = data + 1;
    const int length = static_cast<int>(size - 1);

    // The outputs have exactly their capacity, so a write beyond it is caught.
    static std::vector<LineEntry> first(kMaxLinesPerRecord);
    static std::vector<LineEntry> second(kMaxLinesPerRecord);
    const int declared = length >= 2 ? load_i16(payload) : 0;
    const Outcome a = decode_into(version, payload, length, declared, first, -1.0);

    require(a.result == 0 || a.result == 1, "the result is 0 or 1");
    require(a.count >= 0 && a.count <= kMaxLinesPerRecord, "at most 2000 lines");
    if (a.result == 0) require(a.count == 0, "an ignored record reports no lines");
    require(a.count <= (declared > 0 ? declared : 0), "never more lines than declared");

    const std::vector<double> firsts = block_first_lines(payload, length, version);
    for (int i = 0; i < a.count; ++i) check_segments(first[static_cast<size_t>(i)]);
    check_numbering(first.data(), a.count, firsts);

    // The decoder keeps no state between records: the same payload decodes the same way
    // whatever the output or an earlier call left behind.
    const Outcome b = decode_into(version, payload, length, declared, second, 12345.5);
    require(a.result == b.result && a.count == b.count, "decoding is repeatable");
    require(same_lines(first, second, a.count), "decoded lines do not depend on earlier state");

    // Reading a whole line's codes at once where the block is long enough decodes the same as
    // checking every code.
    Outcome c;
    c.result = decode_record_checked(static_cast<int16_t>(version), payload, length, second.data(),
                                     c.count);
    require(a.result == c.result && a.count == c.count, "windowed reads decode as checked reads");
    require(same_lines(first, second, a.count), "windowed reads give the checked reads' lines");
    return 0;
}
