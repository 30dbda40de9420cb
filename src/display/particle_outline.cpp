#include "display/particle_outline.h"

#include "display/truncation.h"

namespace korvel {

void draw_outline(Canvas& canvas, const Particle& p, int offset, double base, Rgb colour) {
    for (int k = 0; k < p.line_count; ++k) {
        const int y = trunc_to_coordinate(k + p.y_first - base);
        canvas.line({offset + p.segments[k].start_x, y}, {offset + p.segments[k].end_x, y}, colour);
    }
}

}  // namespace korvel
