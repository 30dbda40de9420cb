#include "shadow_camera.h"

#include <algorithm>

namespace korvel {

void ShadowCamera::render(int64_t from, int64_t to, std::vector<LineEntry>& out) {
    // Shadows that ended before this range (it skipped them) have nothing left to draw.
    std::erase_if(active_, [from](const Shadow& s) { return s.last_line() < from; });
    int64_t y = from;
    while (y < to) {
        while (!pending_.empty() && pending_.top().first_line <= y) {
            if (pending_.top().last_line() >= y) active_.push_back(pending_.top());
            pending_.pop();
        }
        if (active_.empty()) {
            // Nothing in view: jump to the next shadow. Unshadowed lines are not transmitted.
            if (pending_.empty() || pending_.top().first_line >= to) return;
            y = pending_.top().first_line;
            continue;
        }
        runs_.clear();
        for (const Shadow& s : active_) {
            Run r{};
            s.row(y - s.first_line, r.start, r.end);
            r.start = std::max(r.start, 0);
            r.end = std::min(r.end, line_width_ - 1);
            if (r.start <= r.end) runs_.push_back(r);
        }
        if (!runs_.empty()) emit_line(y, out);
        std::erase_if(active_, [y](const Shadow& s) { return s.last_line() <= y; });
        ++y;
    }
}

void ShadowCamera::emit_line(int64_t y, std::vector<LineEntry>& out) {
    std::sort(runs_.begin(), runs_.end(), [](Run a, Run b) { return a.start < b.start; });
    // Overlapping or touching shadows form one run of dark pixels.
    size_t n = 0;
    for (const Run& r : runs_) {
        if (n > 0 && r.start <= runs_[n - 1].end + 1)
            runs_[n - 1].end = std::max(runs_[n - 1].end, r.end);
        else
            runs_[n++] = r;
    }
    // The camera reports at most six runs a line: close the narrowest gaps until they fit,
    // so no shadow loses a line, it merely merges with its neighbour on that line.
    while (n > static_cast<size_t>(kMaxSegmentsPerLine)) {
        size_t best = 1;
        for (size_t i = 2; i < n; ++i)
            if (runs_[i].start - runs_[i - 1].end < runs_[best].start - runs_[best - 1].end)
                best = i;
        runs_[best - 1].end = runs_[best].end;
        for (size_t i = best + 1; i < n; ++i) runs_[i - 1] = runs_[i];
        --n;
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
