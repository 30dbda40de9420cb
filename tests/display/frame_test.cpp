#include "display/frame.h"

#include <gtest/gtest.h>

#include "display/layout.h"

namespace korvel {
namespace {

TEST(Frame, LogicalCornersMapToClientCornersWithYFlipped) {
    const Frame f{512};
    struct Size {
        int w, h;
    };
    for (const Size c : {Size{1023, 2020}, Size{1920, 1080}, Size{1, 1}}) {
        EXPECT_EQ(device_x(f, c.w, 0), 0);
        EXPECT_EQ(device_x(f, c.w, 1023), c.w);
        EXPECT_EQ(device_y(f, c.h, 1960), 0);
        EXPECT_EQ(device_y(f, c.h, -60), c.h);
    }
    EXPECT_EQ(device_x(f, 2046, 512), 1024);  // each scale follows its own client size
    EXPECT_EQ(device_y(f, 1010, 0), 980);
    EXPECT_EQ(device_y(f, 1080, 1810), 80);  // 150 * 1080 / 2020 = 80.2
    EXPECT_EQ(device_height(1080, 250), 134);
    EXPECT_LT(device_y(f, 1080, 1e30), 0);  // far off, but defined
    EXPECT_EQ(device_rect(f, 1023, 2020, layout::top_band(layout::area_b(512))),
              (DeviceRect{513, 150, 1023, 409}));
}

}  // namespace
}  // namespace korvel
