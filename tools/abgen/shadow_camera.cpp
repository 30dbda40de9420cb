#include "shadow_camera.h"

#include <algorithm>

namespace korvel {

void ShadowCamera::render(int64_t from, int64_t to, std::vector<LineEntry>& out) {
    // Shadows that ended before this range (it skipped them) have nothing left to draw.
    std::erase_if(active_, [from](const Shadow& s) { return s.last_line() < from; });
    int64_t y = from;
    while (y < to) {
        while (!pending_.empty() && pending_.top().first_line <= y) {
            if (pending_.top().last_line() >= y) activate(pending_.top());
            pending_.pop();
        }
        if (active_.empty()) {
            // Nothing in view: jump to the next shadow. Unshadowed lines are not transmitted.
            if (pending_.empty() || pending_.top().first_line >= to) return;
            y = pending_.top().first_line;
            continue;
        }
        runs_.clear();
        for (size_t i = 0; i < active_.size();) {
            const Shadow& s = active_[i];
            Run r{};
            s.row(y - s.first_line, r.start, r.end);
            r.start = std::max(r.start, 0);
            r.end = std::min(r.end, line_width_ - 1);
            if (r.start <= r.end) runs_.push_back(r);
            if (s.last_line() <= y)
                active_.erase(active_.begin() + static_cast<long>(i));
            else
                ++i;
        }
        if (!runs_.empty()) emit_line(y, out);
        ++y;
    }
}

// The active shadows are kept in the order of their centres, so their runs come out nearly
// sorted and sorting them for each line costs little.
void ShadowCamera::activate(const Shadow& shadow) {
    const auto at =
        std::upper_bound(active_.begin(), active_.end(), shadow,
                         [](const Shadow& a, const Shadow& b) { return a.center_x < b.center_x; });
    active_.insert(at, shadow);
}

void ShadowCamera::emit_line(int64_t y, std::vector<LineEntry>& out) {
    // Nearly sorted already (see activate): insertion sort is all but linear.
    for (size_t i = 1; i < runs_.size(); ++i) {
        const Run r = runs_[i];
        size_t k = i;
        for (; k > 0 && runs_[k - 1].start > r.start; --k) runs_[k] = runs_[k - 1];
        runs_[k] = r;
    }
    // Overlapping or touching shadows form one run of dark pixels.
    size_t n = 0;
    for (const Run& r : runs_) {
        if (n > 0 && r.start <= runs_[n - 1].end + 1)
            runs_[n - 1].end = std::max(runs_[n - 1].end, r.end);
        else
            runs_[n++] = r;
    }
    // The camera reports at most six runs a line: the narrowest gaps close until they fit,
    // so no shadow loses a line, it merely merges with its neighbour on that line. Closing a
    // gap leaves the others as they were, so the gaps to close are simply the narrowest
    // n - 6 of them (the leftmost first among equals), closed in one pass.
    if (n > static_cast<size_t>(kMaxSegmentsPerLine)) {
        gaps_.clear();
        for (size_t i = 1; i < n; ++i) gaps_.push_back({runs_[i].start - runs_[i - 1].end, i});
        const size_t close = n - kMaxSegmentsPerLine;
        std::nth_element(gaps_.begin(), gaps_.begin() + static_cast<long>(close - 1), gaps_.end());
        closing_.assign(n, false);
        for (size_t k = 0; k < close; ++k) closing_[gaps_[k].second] = true;
        size_t kept = 0;
        for (size_t i = 0; i < n; ++i) {
            if (i > 0 && closing_[i])
                runs_[kept - 1].end = runs_[i].end;
            else
                runs_[kept++] = runs_[i];
        }
        n = kept;
    }
    LineEntry& line = out.emplace_back();
    line.y_count = static_cast<double>(y);
    line.segment_count = static_cast<int16_t>(n);
    for (size_t i = 0; i < n; ++i) {
        line.segments[i].start_x = static_cast<int16_t>(runs_[i].start);
        line.segments[i].end_x = static_cast<int16_t>(runs_[i].end);
    }
}

}  // namespace korvel
