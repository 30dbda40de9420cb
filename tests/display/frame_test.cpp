#include "display/frame.h"

#include <gtest/gtest.h>

#include "display/layout.h"

namespace korvel {
namespace {

TEST(Frame, LogicalCornersMapToTheClientCorners) {
    const Frame f{512};
    EXPECT_EQ(f.extent_x(), 1023);
    struct Case {
        int w, h;
    };
    for (const Case c : {Case{1023, 2020}, Case{1920, 1080}, Case{640, 480}, Case{1, 1}}) {
        EXPECT_EQ(device_x(f, c.w, 0), 0);
        EXPECT_EQ(device_x(f, c.w, 1023), c.w);
        EXPECT_EQ(device_y(f, c.h, 1960), 0);
        EXPECT_EQ(device_y(f, c.h, -60), c.h);
    }
}

TEST(Frame, ScalesFollowTheClientSizeIndependently) {
    const Frame f{512};
    EXPECT_EQ(device_x(f, 2046, 512), 1024);  // twice as wide: every x doubles
    EXPECT_EQ(device_y(f, 2020, 0), 1960);    // one pixel per line
    EXPECT_EQ(device_y(f, 1010, 0), 980);
    EXPECT_EQ(device_y(f, 1080, 1810), 80);  // 150 * 1080 / 2020 = 80.2
    EXPECT_EQ(device_height(1080, 250), 134);
    EXPECT_EQ(device_height(2020, 250), 250);
}

TEST(Frame, RectanglesAreNormalisedWithYFlipped) {
    const Frame f{512};
    const DeviceRect r = device_rect(f, 1023, 2020, layout::area_a(512));
    EXPECT_EQ(r, (DeviceRect{0, 150, 511, 1950}));
    const DeviceRect band = device_rect(f, 1023, 2020, layout::top_band(layout::area_b(512)));
    EXPECT_EQ(band, (DeviceRect{513, 150, 1023, 409}));
}

TEST(Frame, FarOffCoordinatesStayDefined) {
    const Frame f{512};
    EXPECT_LT(device_y(f, 1080, 1e30), 0);
    EXPECT_GT(device_y(f, 1080, -1e30), 1080);
}

}  // namespace
}  // namespace korvel
