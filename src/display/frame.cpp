#include "display/frame.h"

namespace korvel {
int device_x(const Frame& frame, int client_width, double x) {
    return FrameMapping(frame, client_width, 1).x(x);
}

int device_y(const Frame& frame, int client_height, double y) {
    return FrameMapping(frame, 1, client_height).y(y);
}

DeviceRect device_rect(const Frame& frame, int client_width, int client_height,
                       const LogicalRect& rect) {
    return FrameMapping(frame, client_width, client_height).rect(rect);
}

int device_height(int client_height, int units) {
    return FrameMapping(Frame{}, 1, client_height).height(units);
}

}  // namespace korvel
