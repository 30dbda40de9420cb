// The Qt canvas's lines leave their end point out, as the platform's lines do: a segment
// whose start and end are the same pixel paints nothing.
#include "display/qt/qt_canvas.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

constexpr QRgb kBg = qRgb(192, 192, 192);
constexpr QRgb kRedPx = qRgb(255, 0, 0);

// W = 512 on 1023 x 2020 pixels: one pixel per logical unit, device y = 1960 - y.
class QtCanvasTest : public ::testing::Test {
  protected:
    QtCanvasTest() {
        canvas.resize(QSize(1023, 2020));
        canvas.begin(Frame{512});
    }
    QRgb at(int x, int y) { return canvas.image().pixel(x, 1960 - y); }
    QtCanvas canvas;
};

TEST_F(QtCanvasTest, LinesLeaveTheirEndPointOut) {
    canvas.line({10, 100}, {20, 100}, kRed);
    canvas.line({30, 200}, {30, 200}, kRed);  // start = end: no pixel at all
    canvas.line({50, 300}, {40, 300}, kRed);  // right to left
    canvas.line({60, 400}, {60, 410}, kRed);  // upward
    const std::pair<LogicalPoint, QRgb> expected[] = {
        {{9, 100}, kBg},     {{10, 100}, kRedPx}, {{19, 100}, kRedPx}, {{20, 100}, kBg},
        {{30, 200}, kBg},    {{50, 300}, kRedPx}, {{41, 300}, kRedPx}, {{40, 300}, kBg},
        {{60, 400}, kRedPx}, {{60, 409}, kRedPx}, {{60, 410}, kBg},
    };
    for (const auto& [p, colour] : expected) EXPECT_EQ(at(p.x, p.y), colour) << p.x << "," << p.y;
}

// At sizes where logical units and pixels do not divide evenly, a line's first pixel and a
// filled rectangle land where the frame's rule (device_x, device_y, device_rect) puts them.
TEST(QtCanvasMapping, PixelsLandWhereTheFramesRuleSaysAtOddSizes) {
    const struct {
        int width, height, line_width;
    } sizes[] = {{333, 211, 512}, {1001, 677, 512}, {97, 1999, 64}, {1919, 1079, 2048}};
    const LogicalPoint starts[] = {{0, -60}, {1, 0}, {7, 1}, {255, 333}, {511, 1799}, {60, 1959}};
    for (const auto& size : sizes) {
        const Frame frame{size.line_width};
        for (const LogicalPoint& p : starts) {
            QtCanvas canvas;
            canvas.resize(QSize(size.width, size.height));
            canvas.begin(frame);
            const LogicalPoint end{frame.extent_x(), p.y};
            canvas.line(p, end, kRed);
            const int x = device_x(frame, size.width, p.x);
            const int y = device_y(frame, size.height, p.y);
            const QImage& image = canvas.image();
            // Below the image (y -60 is its bottom edge), or a line of no pixel: nothing drawn.
            if (y >= size.height || x >= device_x(frame, size.width, end.x)) continue;
            EXPECT_EQ(image.pixel(x, y), kRedPx)
                << size.width << "x" << size.height << " " << p.x << "," << p.y;
            if (x > 0) {
                EXPECT_EQ(image.pixel(x - 1, y), kBg) << size.width << " " << p.x;
            }
        }
        QtCanvas canvas;
        canvas.resize(QSize(size.width, size.height));
        canvas.begin(frame);
        const LogicalRect rect{13, frame.extent_x() / 2 + 1, 17, 1003};
        canvas.fill_rect(rect, kRed);
        const DeviceRect d = device_rect(frame, size.width, size.height, rect);
        const QImage& image = canvas.image();
        const std::pair<QPoint, QRgb> probes[] = {
            {{d.left, d.top}, kRedPx},  {{d.right - 1, d.bottom - 1}, kRedPx},
            {{d.left - 1, d.top}, kBg}, {{d.right, d.bottom - 1}, kBg},
            {{d.left, d.top - 1}, kBg}, {{d.right - 1, d.bottom}, kBg},
        };
        for (const auto& [at, colour] : probes) {
            EXPECT_EQ(image.pixel(at), colour)
                << size.width << "x" << size.height << " at " << at.x() << "," << at.y();
        }
    }
}

}  // namespace
}  // namespace korvel
