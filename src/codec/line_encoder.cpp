#include "codec/line_encoder.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "codec/block_bit_writer.h"
#include "codec/block_planner.h"
#include "common/little_endian.h"

namespace korvel {

namespace {

constexpr int kMaxCodeValue = 16383;  // the value of a 15-bit code
constexpr int kMaxXOrigin = 1023;     // x_origin has 10 bits
constexpr double kMaxU32 = 4294967295.0;

[[noreturn]] void reject(size_t index, const char* why) {
    throw std::invalid_argument("line " + std::to_string(index) + ": " + why);
}

// Checks what the payload format can carry: whole line numbers that fit a u32 for versions 0
// and 1, rising line numbers, 1..6 runs left to right, and gaps and runs that fit a 15-bit
// code. A first run so far right that no x_origin brings it within a code is refused too.
void check_lines(std::span<const LineEntry> lines, int16_t header_version,
                 const EncodeOptions& options) {
    if (options.min_gap_bits < 1 || options.min_gap_bits > 15 || options.min_run_bits < 1 ||
        options.min_run_bits > 15) {
        throw std::invalid_argument("code widths must lie in 1..15");
    }
    if (lines.size() > static_cast<size_t>(kMaxLinesPerRecord)) {
        throw std::invalid_argument("a record holds at most 2000 lines");
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        const LineEntry& line = lines[i];
        const double y = line.y_count;
        if (!std::isfinite(y)) reject(i, "line number is not finite");
        if (header_version != 2 && (y < 0.0 || y > kMaxU32 || std::floor(y) != y)) {
            reject(i, "line number does not fit a u32");
        }
        if (i > 0 && !(y > lines[i - 1].y_count)) reject(i, "line numbers must rise");
        if (line.segment_count < 1 || line.segment_count > kMaxSegmentsPerLine) {
            reject(i, "a line holds 1 to 6 runs");
        }
        for (int k = 0; k < line.segment_count; ++k) {
            const Segment& s = line.segments[k];
            if (s.start_x < 0 || s.end_x < s.start_x) reject(i, "run out of order");
            if (s.end_x - s.start_x > kMaxCodeValue) reject(i, "run too long for a code");
            if (k == 0) {
                if (s.start_x - kMaxXOrigin > kMaxCodeValue) reject(i, "first run too far right");
                continue;
            }
            const int gap = s.start_x - line.segments[k - 1].end_x;
            if (gap < 0) reject(i, "run starts before the previous run ends");
            if (gap > kMaxCodeValue) reject(i, "gap too long for a code");
        }
    }
}

bool same_runs(const LineEntry& a, const LineEntry& b) {
    if (a.segment_count != b.segment_count) return false;
    for (int k = 0; k < a.segment_count; ++k) {
        if (a.segments[k].start_x != b.segments[k].start_x ||
            a.segments[k].end_x != b.segments[k].end_x) {
            return false;
        }
    }
    return true;
}

// A line can come from a repeat code when it equals the line before it: that line is either
// the last one decoded from runs or a repeat of it, in whichever block it lies.
bool can_repeat(std::span<const LineEntry> lines, size_t i, const EncodeOptions& options) {
    return options.use_repeats && i > 0 && same_runs(lines[i], lines[i - 1]);
}

void write_runs(BlockBitWriter& bits, const LineEntry& line, const BlockLayout& layout) {
    int previous_end = layout.x_origin;
    for (int k = 0; k < line.segment_count; ++k) {
        const Segment& s = line.segments[k];
        bits.write(static_cast<uint32_t>(s.start_x - previous_end), false, layout.gap_bits);
        bits.write(static_cast<uint32_t>(s.end_x - s.start_x), k + 1 == line.segment_count,
                   layout.run_bits);
        previous_end = s.end_x;
    }
}

void write_repeats(BlockBitWriter& bits, int count, int gap_bits) {
    const int capacity = (1 << (gap_bits - 1)) - 1;
    while (count > 0) {
        const int n = count < capacity ? count : capacity;
        bits.write(static_cast<uint32_t>(n), true, gap_bits);
        count -= n;
    }
}

// Writes lines [first, end) as one block.
void write_block(std::span<const LineEntry> lines, size_t first, size_t end,
                 const BlockLayout& layout, int16_t header_version, const EncodeOptions& options,
                 std::vector<uint8_t>& out) {
    const size_t block_start = out.size();
    const uint32_t word = static_cast<uint32_t>(layout.block_length) |
                          (static_cast<uint32_t>(layout.x_origin) << 14) |
                          (static_cast<uint32_t>(layout.run_bits) << 24) |
                          (static_cast<uint32_t>(layout.gap_bits) << 28);
    out.resize(block_start + (header_version == 2 ? 12 : 8));
    store_u32(out.data() + block_start, word);
    if (header_version == 2) {
        store_f64(out.data() + block_start + 4, lines[first].y_count);
    } else {
        store_u32(out.data() + block_start + 4, static_cast<uint32_t>(lines[first].y_count));
    }

    BlockBitWriter bits(out);
    int pending_repeats = 0;
    for (size_t i = first; i < end; ++i) {
        if (layout.gap_bits > 1 && can_repeat(lines, i, options)) {
            ++pending_repeats;
            continue;
        }
        write_repeats(bits, pending_repeats, layout.gap_bits);
        pending_repeats = 0;
        write_runs(bits, lines[i], layout);
    }
    write_repeats(bits, pending_repeats, layout.gap_bits);
    bits.write(0, true, layout.gap_bits);  // end of block
    bits.flush();
    if (out.size() - block_start != static_cast<size_t>(layout.block_length)) {
        throw std::logic_error("block size differs from its plan");
    }
}

}  // namespace

size_t encode_record(std::span<const LineEntry> lines, int16_t header_version,
                     std::vector<uint8_t>& out, const EncodeOptions& options) {
    check_lines(lines, header_version, options);
    const size_t record_start = out.size();
    out.resize(record_start + 2);
    store_u16(out.data() + record_start, static_cast<uint16_t>(lines.size()));

    const int header_size = header_version == 2 ? 12 : 8;
    size_t i = 0;
    while (i < lines.size()) {
        // A block runs while line numbers rise by exactly one and its length still fits.
        BlockPlanner planner(options, header_size);
        const size_t first = i;
        if (!planner.try_add(lines[i], can_repeat(lines, i, options))) {
            throw std::logic_error("a single line does not fit a block");
        }
        ++i;
        while (i < lines.size() && lines[i].y_count == lines[i - 1].y_count + 1.0 &&
               planner.try_add(lines[i], can_repeat(lines, i, options))) {
            ++i;
        }
        write_block(lines, first, i, planner.layout(), header_version, options, out);
    }
    return out.size() - record_start;
}

}  // namespace korvel
