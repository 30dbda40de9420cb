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

}  // namespace
}  // namespace korvel
