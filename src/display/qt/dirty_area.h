#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "display/frame.h"

namespace korvel {

// Where a picture changed, as a few rectangles rather than one around everything.
//
// A step of the asynchronous view changes a few rows of new lines near the top of each half
// and a few characters of the status rows at the bottom: one rectangle around both is the
// whole picture, and bringing all of it over to the window every tick cost more than the
// drawing. Rectangles that lie close are merged while the merge adds little that did not
// change, so the list stays short; when it is full, a new one joins the one it grows least.
class DirtyArea {
  public:
    static constexpr size_t kCapacity = 8;

    void add(const DeviceRect& r) {
        if (is_empty(r)) return;
        // Most additions fall inside the rectangle the last one went to: the rows of one
        // particle, the characters of one status row.
        if (count_ > 0 && contains(rects_[last_], r)) return;
        // Or lie next to it: the next row of scan lines, the next character.
        if (count_ > 0 && worth_merging(rects_[last_], r)) {
            rects_[last_] = unite(rects_[last_], r);
            return;
        }
        add_slow(r);
    }
    void add(const DirtyArea& other) {
        for (size_t i = 0; i < other.count_; ++i) add(other.rects_[i]);
    }
    bool empty() const { return count_ == 0; }
    void clear() {
        count_ = 0;
        last_ = 0;
    }
    const DeviceRect* begin() const { return rects_.data(); }
    const DeviceRect* end() const { return rects_.data() + count_; }
    size_t size() const { return count_; }
    DeviceRect bounds() const {
        DeviceRect b;
        for (size_t i = 0; i < count_; ++i) b = unite(b, rects_[i]);
        return b;
    }

  private:
    static bool contains(const DeviceRect& outer, const DeviceRect& r) {
        return r.left >= outer.left && r.top >= outer.top && r.right <= outer.right &&
               r.bottom <= outer.bottom;
    }
    static int64_t area(const DeviceRect& r) {
        return is_empty(r) ? 0 : int64_t{r.right - r.left} * (r.bottom - r.top);
    }
    // Close enough to be one: a rectangle around both adds at most a quarter of what they
    // hold, and small neighbours (a character cell beside the next) always merge.
    static bool worth_merging(const DeviceRect& a, const DeviceRect& b) {
        const int64_t waste = area(unite(a, b)) - area(a) - area(b) + area(intersect(a, b));
        return waste <= (area(a) + area(b)) / 4 + 256;
    }
    void add_slow(const DeviceRect& r);

    std::array<DeviceRect, kCapacity> rects_{};
    size_t count_ = 0;
    size_t last_ = 0;  // the rectangle the last addition went to
};

}  // namespace korvel
