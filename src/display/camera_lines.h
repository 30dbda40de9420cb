#pragma once

#include <cstdint>

#include "common/camera.h"
#include "display/canvas.h"
#include "display/status_block.h"
#include "particles/decode_context.h"

namespace korvel {

// What one asynchronous drawing call needs besides the record: the line width, the camera's
// scroll base (moved by the call) and the values of its status block.
struct CameraLinesInput {
    int line_width = 512;
    double* scroll_base = nullptr;
    double line_rate = 0.0;
    double total_lines = 0.0;
    uint32_t file_position = 0;
};

// Draws one record of one camera in its half: each of the n lines at ctx.lines as grey
// segments at height trunc(y - base), the particles of the camera's assign queue that end at
// or before each line in the camera's colour over them, then the camera's status block.
// A line more than 3600 above the base draws a black marker, scrolls and restarts the base
// 1650 below the line; a line more than 1800 above it scrolls the half down by 250, once.
void draw_camera_lines(Canvas& canvas, Camera camera, int16_t n, const DecodeContext& ctx,
                       const CameraLinesInput& input);

}  // namespace korvel
