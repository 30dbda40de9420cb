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

inline DeviceRect intersect(const DeviceRect& a, const DeviceRect& b) {
    return {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
            a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
}
inline bool is_empty(const DeviceRect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}
inline bool overlap(const DeviceRect& a, const DeviceRect& b) {
    return !is_empty(intersect(a, b));
}
// The smallest rectangle around both; an empty one adds nothing.
inline DeviceRect unite(const DeviceRect& a, const DeviceRect& b) {
    if (is_empty(a)) return b;
    if (is_empty(b)) return a;
    return {a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
            a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

// The window's frame: logical x runs over both cameras' pixels, 0 to 2W - 1; logical y from
// 1960 at the top edge of the client area down to -60 at its bottom. Both scales follow the
// client size independently, nothing keeps the aspect ratio.
struct Frame {
    int line_width = 512;  // W, pixels of one camera's scan line

    int extent_x() const { return 2 * line_width - 1; }
    static constexpr int kExtentY = 2020;
    static constexpr int kOriginY = 1960;
};

// The one logical-to-device mapping, for a frame on a client area of width x height pixels:
// device coordinates rounded to the nearest pixel, halves upward, as the platform maps points.
// Inline and with its factors worked out once, so a canvas can map every line's end points
// with it.
class FrameMapping {
  public:
    FrameMapping(const Frame& frame, int client_width, int client_height)
        : width_(client_width), height_(client_height), extent_x_(frame.extent_x()) {}

    int x(double x) const { return round_to_pixel(x * width_ / extent_x_); }
    int y(double y) const {
        return round_to_pixel((Frame::kOriginY - y) * height_ / Frame::kExtentY);
    }
    DeviceRect rect(const LogicalRect& r) const {
        const int x0 = x(r.left), x1 = x(r.right), y0 = y(r.low), y1 = y(r.high);
        return DeviceRect{x0 < x1 ? x0 : x1, y0 < y1 ? y0 : y1, x0 < x1 ? x1 : x0,
                          y0 < y1 ? y1 : y0};
    }
    // The device height of a shift of units logical units.
    int height(double units) const { return round_to_pixel(units * height_ / Frame::kExtentY); }

    // floor(v + 0.5). The client area is at most a few thousand pixels; logical coordinates
    // far outside it are clamped so that the conversion stays defined.
    static int round_to_pixel(double v) {
        constexpr double kLimit = 1 << 28;
        if (!(v > -kLimit)) return -(1 << 28);
        if (!(v < kLimit)) return 1 << 28;
        const int t = static_cast<int>(v + 0.5);  // truncates toward zero...
        return t - (v + 0.5 < t ? 1 : 0);         // ...so step down below zero: floor
    }

  private:
    double width_;
    double height_;
    double extent_x_;
};

// The same mapping, one point at a time.
int device_x(const Frame& frame, int client_width, double x);
int device_y(const Frame& frame, int client_height, double y);
DeviceRect device_rect(const Frame& frame, int client_width, int client_height,
                       const LogicalRect& rect);
// The device height of a shift of units logical units.
int device_height(int client_height, int units);

}  // namespace korvel
