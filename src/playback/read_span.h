#pragma once

#include <algorithm>
#include <cstdint>

namespace korvel {

// What the two readers of a replay have covered of the data file: the header record that
// Open read, and for each camera the bytes from where Open placed it to where it stands now.
// It gives the summary the bytes actually read (an index that points past the end reads
// nothing), and the furthest position reached, below which the file's length must never fall.
class ReadSpan {
  public:
    // header_end: where the header record ends. a, b: the readers' positions after Open.
    ReadSpan(uint64_t header_end, uint32_t a, uint32_t b)
        : header_end_(header_end), start_a_(a), start_b_(b), now_a_(a), now_b_(b) {}

    // The readers' positions after a step; they only move forward.
    void update(uint32_t a, uint32_t b) {
        now_a_ = std::max(now_a_, a);
        now_b_ = std::max(now_b_, b);
    }

    // The header and the union of both readers' ranges, each byte counted once.
    uint64_t bytes() const {
        uint64_t lo_1 = start_a_, hi_1 = now_a_, lo_2 = start_b_, hi_2 = now_b_;
        if (lo_2 < lo_1) {
            std::swap(lo_1, lo_2);
            std::swap(hi_1, hi_2);
        }
        uint64_t ranges = 0;
        if (hi_1 <= lo_2 || hi_2 <= lo_2) {
            ranges = (hi_1 - lo_1) + (hi_2 - lo_2);  // apart (or the second empty)
        } else {
            ranges = std::max(hi_1, hi_2) - lo_1;  // overlapping
        }
        return header_end_ + ranges;
    }

    // The furthest byte read: a position only a read moved a reader to.
    uint64_t reached() const {
        uint64_t r = header_end_;
        if (now_a_ > start_a_) r = std::max<uint64_t>(r, now_a_);
        if (now_b_ > start_b_) r = std::max<uint64_t>(r, now_b_);
        return r;
    }

  private:
    uint64_t header_end_;
    uint32_t start_a_, start_b_;
    uint32_t now_a_, now_b_;
};

}  // namespace korvel
