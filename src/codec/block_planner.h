#pragma once

#include <array>
#include <cstdint>

#include "codec/line_encoder.h"
#include "codec/line_entry.h"

namespace korvel {

// The choices that shape one block: the origin its first gaps count from, its code widths
// and its size in bytes (header word and first line number included).
struct BlockLayout {
    int x_origin = 0;
    int gap_bits = 1;
    int run_bits = 1;
    int block_length = 0;
};

// Gathers the lines of one block as the encoder adds them, and knows at every step which
// layout the block would take: x_origin the smallest first-run start (at most 1023), each
// code width the smallest that holds the block's values. Sizes are kept as running totals,
// so adding a line costs the same however long the block already is.
class BlockPlanner {
  public:
    BlockPlanner(const EncodeOptions& options, int header_size);

    // Adds a line when the block still fits its 14-bit length with it (and its first gap
    // still fits a code); otherwise returns false and leaves the block as it was. repeat
    // tells that the line equals the one before it in the record, which a repeat code can
    // give whenever the block's gap codes are at least 2 bits wide.
    bool try_add(const LineEntry& line, bool repeat);

    bool empty() const { return totals_.lines == 0; }
    const BlockLayout& layout() const { return layout_; }

    // Smallest code width whose value field holds v (value bits n - 1, plus the flag bit).
    static int bits_for(int v);

  private:
    struct Totals {
        int lines = 0;
        int min_first_start = 0;
        int max_first_start = 0;
        int max_inner_gap = 0;
        int max_run = 0;
        int64_t runs_in_lines = 0;    // segments of the lines written from runs
        int64_t runs_in_repeats = 0;  // segments of the lines a repeat code can give
        int repeat_length = 0;        // repeated lines in a row at the end of the block
        // Repeat codes needed for gap code widths 2..15 (a code repeats up to 2^(n-1) - 1).
        std::array<int64_t, 16> repeat_codes{};
    };

    // The layout of a block with these totals; false when a first gap would not fit a code.
    bool layout_of(const Totals& t, BlockLayout& layout) const;

    EncodeOptions options_;
    int header_size_;
    Totals totals_;
    BlockLayout layout_;
};

}  // namespace korvel
