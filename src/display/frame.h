#pragma once

#include <cstdint>

namespace korvel {

// A point in the logical frame: x one camera pixel, y one scan line, y growing upward.
struct LogicalPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const LogicalPoint&, const LogicalPoint&) = default;
};

// A rectangle in the logical frame: x from left to right, y from low to high.
struct LogicalRect {
    int left = 0;
    int right = 0;
    int low = 0;
    int high = 0;
    friend bool operator==(const LogicalRect&, const LogicalRect&) = default;
};

// A rectangle in device pixels, normalised: [left, right) x [top, bottom), y growing down.
struct DeviceRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const DeviceRect&, const DeviceRect&) = default;
};

// The window's frame: logical x runs over both cameras' pixels, 0 to 2W - 1; logical y from
// 1960 at the top edge of the client area down to -60 at its bottom. Both scales follow the
// client size independently, nothing keeps the aspect ratio.
struct Frame {
    int line_width = 512;  // W, pixels of one camera's scan line

    int extent_x() const { return 2 * line_width - 1; }
    static constexpr int kExtentY = 2020;
    static constexpr int kOriginY = 1960;
};

// Device coordinates of logical ones for a client area of width x height pixels, rounded to
// the nearest pixel (halves upward) as the platform maps points.
int device_x(const Frame& frame, int client_width, double x);
int device_y(const Frame& frame, int client_height, double y);
DeviceRect device_rect(const Frame& frame, int client_width, int client_height,
                       const LogicalRect& rect);
// The device height of a shift of units logical units.
int device_height(int client_height, int units);

}  // namespace korvel
