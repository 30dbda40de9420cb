#include "display/qt/dirty_area.h"

namespace korvel {

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
