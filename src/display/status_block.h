#pragma once

#include <cstdint>

#include "display/canvas.h"

namespace korvel {

// The four rows of one camera's asynchronous status block, x0 + 10 to x0 + 500 and
// y 1810 to 1950: the last line drawn, its time, the camera's total lines and read position.
struct AsyncStatus {
    int x0 = 0;  // 0 for camera A, W for camera B
    double line = 0.0;
    double line_rate = 0.0;
    double total_lines = 0.0;
    uint32_t file_position = 0;
};
void draw_async_status(Canvas& canvas, const AsyncStatus& status);

// The three rows of the synchronous status block, x 10 to 500 and y 1840 to 1945: the
// camera-A particle's first line, its time and camera A's read position.
struct SyncStatus {
    double line = 0.0;
    double line_rate = 0.0;
    uint32_t file_position = 0;
};
void draw_sync_status(Canvas& canvas, const SyncStatus& status);

}  // namespace korvel
