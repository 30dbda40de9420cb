#pragma once

#include <cstdint>
#include <queue>
#include <utility>
#include <vector>

#include "codec/line_entry.h"
#include "shadow.h"

namespace korvel {

// One camera's view of the rain: the shadows waiting to reach its scan line and those
// crossing it now. render() turns them into the camera's scan lines, one LineEntry per line
// with at least one shadowed pixel, as the instrument transmits them.
class ShadowCamera {
  public:
    explicit ShadowCamera(int32_t line_width) : line_width_(line_width) {}

    // Shadows may be added in any order; each is drawn from its first line on.
    void add(const Shadow& shadow) { pending_.push(shadow); }

    // Appends the scan lines of [from, to) to out. Lines before from that were not rendered
    // are lost: calls must cover the time in rising, adjacent ranges.
    void render(int64_t from, int64_t to, std::vector<LineEntry>& out);

  private:
    struct Run {
        int32_t start;
        int32_t end;
    };
    struct LaterFirst {
        bool operator()(const Shadow& a, const Shadow& b) const {
            return a.first_line > b.first_line;
        }
    };

    void activate(const Shadow& shadow);
    // Sorts and merges this line's runs into at most kMaxSegmentsPerLine and appends them.
    void emit_line(int64_t y, std::vector<LineEntry>& out);

    int32_t line_width_;
    std::priority_queue<Shadow, std::vector<Shadow>, LaterFirst> pending_;
    std::vector<Shadow> active_;
    std::vector<Run> runs_;
    std::vector<std::pair<int32_t, size_t>> gaps_;  // width and index of the run after it
    std::vector<bool> closing_;
};

}  // namespace korvel
