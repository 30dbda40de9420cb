#include "display/particle_outline.h"

#include <cmath>
#include <iterator>

#include "display/truncation.h"

namespace korvel {

void draw_outline(Canvas& canvas, const Particle& p, int offset, double base, Rgb colour) {
    // Scan line k lies at trunc(k + y_first - base). Line numbers and bases are whole numbers,
    // and then, far from the limits of exact doubles and of coordinates, that is the first
    // line's height plus k exactly; anything else is worked out a line at a time.
    const double first = p.y_first - base;
    constexpr double kExact = 0x1p52, kNear = 1 << 27;
    const bool counted = p.y_first == std::floor(p.y_first) && base == std::floor(base) &&
                         std::fabs(p.y_first) < kExact && std::fabs(base) < kExact &&
                         std::fabs(first) < kNear;
    if (counted) {
        canvas.particle_rows(static_cast<int>(first), p.segments, p.line_count, offset, colour);
        return;
    }
    LevelLine batch[64];
    int n = 0;
    for (int k = 0; k < p.line_count; ++k) {
        const int y = trunc_to_coordinate(k + p.y_first - base);
        batch[n++] = {offset + p.segments[k].start_x, offset + p.segments[k].end_x, y};
        if (n == std::ssize(batch)) {
            canvas.level_lines(batch, n, colour);
            n = 0;
        }
    }
    if (n > 0) canvas.level_lines(batch, n, colour);
}

}  // namespace korvel
