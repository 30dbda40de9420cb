#include "display/frame.h"

#include <algorithm>
#include <cmath>

namespace korvel {
namespace {

int round_to_pixel(double v) {
    // The client area is at most a few thousand pixels; logical coordinates far outside it
    // are clamped so that the conversion stays defined.
    constexpr double kLimit = 1 << 28;
    if (!(v > -kLimit)) return -(1 << 28);
    if (!(v < kLimit)) return 1 << 28;
    return static_cast<int>(std::floor(v + 0.5));
}

}  // namespace

int device_x(const Frame& frame, int client_width, double x) {
    return round_to_pixel(x * client_width / frame.extent_x());
}

int device_y(const Frame&, int client_height, double y) {
    return round_to_pixel((Frame::kOriginY - y) * client_height / Frame::kExtentY);
}

DeviceRect device_rect(const Frame& frame, int client_width, int client_height,
                       const LogicalRect& rect) {
    const int x0 = device_x(frame, client_width, rect.left);
    const int x1 = device_x(frame, client_width, rect.right);
    const int y0 = device_y(frame, client_height, rect.low);
    const int y1 = device_y(frame, client_height, rect.high);
    return DeviceRect{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

int device_height(int client_height, int units) {
    return round_to_pixel(static_cast<double>(units) * client_height / Frame::kExtentY);
}

}  // namespace korvel
