#include "codec/block_planner.h"

#include <algorithm>
#include <bit>

namespace korvel {

namespace {

constexpr int kMaxXOrigin = 1023;       // x_origin has 10 bits
constexpr int kMaxCodeValue = 16383;    // the value of a 15-bit code
constexpr int kMaxBlockLength = 16383;  // block_length has 14 bits

}  // namespace

BlockPlanner::BlockPlanner(const EncodeOptions& options, int header_size)
    : options_(options), header_size_(header_size) {}

int BlockPlanner::bits_for(int v) {
    return std::bit_width(static_cast<unsigned>(v)) + 1;
}

bool BlockPlanner::layout_of(const Totals& t, BlockLayout& layout) const {
    layout.x_origin = std::min(t.min_first_start, kMaxXOrigin);
    const int max_gap = std::max(t.max_first_start - layout.x_origin, t.max_inner_gap);
    if (max_gap > kMaxCodeValue) return false;
    layout.gap_bits = std::max(bits_for(max_gap), options_.min_gap_bits);
    layout.run_bits = std::max(bits_for(t.max_run), options_.min_run_bits);

    const int64_t gb = layout.gap_bits;
    const int64_t rb = layout.run_bits;
    // Every run costs a gap code and a run code; the block ends with an end-of-block code.
    int64_t bits = t.runs_in_lines * (gb + rb) + gb;
    if (gb == 1) {
        bits += t.runs_in_repeats * (gb + rb);  // a 1-bit code cannot repeat: write it again
    } else {
        bits += t.repeat_codes[gb] * gb;
    }
    layout.block_length =
        static_cast<int>(std::min<int64_t>(header_size_ + (bits + 7) / 8, kMaxBlockLength + 1));
    return true;
}

bool BlockPlanner::try_add(const LineEntry& line, bool repeat) {
    Totals t = totals_;
    const int first_start = line.segments[0].start_x;
    t.min_first_start = t.lines == 0 ? first_start : std::min(t.min_first_start, first_start);
    t.max_first_start = t.lines == 0 ? first_start : std::max(t.max_first_start, first_start);
    for (int k = 0; k < line.segment_count; ++k) {
        const Segment& s = line.segments[k];
        t.max_run = std::max(t.max_run, s.end_x - s.start_x);
        if (k > 0)
            t.max_inner_gap = std::max(t.max_inner_gap, s.start_x - line.segments[k - 1].end_x);
    }
    if (repeat) {
        t.runs_in_repeats += line.segment_count;
        // A run of r repeated lines takes ceil(r / capacity) codes: one more each time r
        // passes a multiple of the capacity.
        for (int n = 2; n <= 15; ++n) {
            const int capacity = (1 << (n - 1)) - 1;
            if (t.repeat_length % capacity == 0) ++t.repeat_codes[n];
        }
        ++t.repeat_length;
    } else {
        t.runs_in_lines += line.segment_count;
        t.repeat_length = 0;
    }
    ++t.lines;

    BlockLayout layout;
    if (!layout_of(t, layout) || layout.block_length > kMaxBlockLength) return false;
    totals_ = t;
    layout_ = layout;
    return true;
}

}  // namespace korvel
