#pragma once

#include <vector>

#include "display/canvas.h"

namespace korvel {

// A tick of one camera's pixel scale below the drawing areas: every 10 pixels, long with a
// label every 100.
struct ScaleTick {
    int x = 0;  // pixel index within the camera's half
    bool labelled = false;
    friend bool operator==(const ScaleTick&, const ScaleTick&) = default;
};

// The ticks of one half for line width w: 10, 20, ... while below w - 1 (no tick at 0).
std::vector<ScaleTick> scale_ticks(int w);

// The axis, the ticks and labels of both halves (camera B's labels start again from 0 at the
// divider) and the divider between the halves, in one drawing call.
void draw_scale(Canvas& canvas, int w);

}  // namespace korvel
