#pragma once

#include "display/canvas.h"
#include "particles/particle.h"

namespace korvel {

// A particle as both views draw it: each of its segments as a line in colour, at the height
// trunc(y - base) of its scan line y, shifted right by offset (0 for camera A's half, W for
// camera B's).
void draw_outline(Canvas& canvas, const Particle& p, int offset, double base, Rgb colour);

}  // namespace korvel
