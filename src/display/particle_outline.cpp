#include "display/particle_outline.h"

#include <iterator>

#include "display/truncation.h"

namespace korvel {

void draw_outline(Canvas& canvas, const Particle& p, int offset, double base, Rgb colour) {
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
