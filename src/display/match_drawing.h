#pragma once

#include <cstdint>

#include "display/canvas.h"
#include "particles/particle.h"

namespace korvel {

// What one synchronous drawing call needs besides the outcome.
struct MatchInput {
    int line_width = 512;
    double* scroll_base = nullptr;  // shared by both halves
    int16_t* view_switch =
        nullptr;  // kViewSwitchToSync right after the synchronous view was chosen
    double line_rate = 0.0;
    uint32_t pos_a = 0;
};

// Draws one matching outcome: a (camera A, left) and b (camera B, right), either may be null.
// A match is drawn red and blue with a yellow connector between the particles' centres,
// anything else grey; an outcome with both particles updates the three-row status block.
// The pair height (b's last line, or a's without b) decides the scrolling: more than 3600
// above the base restarts it 1650 below the start height; then the whole area scrolls by
// 250 until the pair height is at most 1800.
void draw_match(Canvas& canvas, const Particle* a, const Particle* b, int matched,
                const MatchInput& input);

}  // namespace korvel
