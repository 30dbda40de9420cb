#include "display/qt/dirty_area.h"

namespace korvel {
namespace {

int64_t area(const DeviceRect& r) {
    return is_empty(r) ? 0 : int64_t{r.right - r.left} * (r.bottom - r.top);
}

// The pixels a rectangle around a and b holds that neither of them does.
int64_t waste(const DeviceRect& a, const DeviceRect& b) {
    return area(unite(a, b)) - area(a) - area(b) + area(intersect(a, b));
}

// Close enough to be one: the merge adds at most a quarter of what they hold, and small
// neighbours (a character cell beside the next) always merge.
bool worth_merging(const DeviceRect& a, const DeviceRect& b) {
    return waste(a, b) <= (area(a) + area(b)) / 4 + 256;
}

}  // namespace

void DirtyArea::add_slow(const DeviceRect& r) {
    DeviceRect grown = r;
    size_t into = count_;  // none yet
    for (size_t i = 0; i < count_; ++i) {
        if (contains(rects_[i], r)) {
            last_ = i;
            return;
        }
        if (into == count_ && worth_merging(rects_[i], r)) into = i;
    }
    if (into == count_ && count_ == kCapacity) {
        // Full: the new one joins the rectangle it grows least.
        int64_t least = INT64_MAX;
        for (size_t i = 0; i < count_; ++i) {
            const int64_t growth = area(unite(rects_[i], r)) - area(rects_[i]);
            if (growth < least) {
                least = growth;
                into = i;
            }
        }
    }
    if (into == count_) {
        rects_[count_++] = r;
        last_ = into;
        return;
    }
    grown = unite(rects_[into], r);
    // The grown rectangle may now take in others.
    for (size_t i = 0; i < count_;) {
        if (i != into && (contains(grown, rects_[i]) || worth_merging(grown, rects_[i]))) {
            grown = unite(grown, rects_[i]);
            rects_[i] = rects_[--count_];
            if (into == count_) into = i;
            i = 0;
            continue;
        }
        ++i;
    }
    rects_[into] = grown;
    last_ = into;
}

}  // namespace korvel
