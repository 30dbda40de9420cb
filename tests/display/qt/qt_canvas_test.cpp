// The Qt canvas's pixels: lines without their end points, scrolls inside the clip only,
// opaque status rows clipped to their rectangle.
#include "display/qt/qt_canvas.h"

#include <gtest/gtest.h>

#include "recordings.h"

namespace korvel {
namespace {

using test::count_colour;

constexpr QRgb kBg = qRgb(192, 192, 192);
constexpr QRgb kRedPx = qRgb(255, 0, 0);

// W = 512 on 1023 x 2020 pixels: one pixel per logical unit, y flipped (device y = 1960 - y).
class QtCanvasTest : public ::testing::Test {
  protected:
    QtCanvasTest() {
        canvas.resize(QSize(1023, 2020));
        canvas.begin(Frame{512});
    }
    QRgb at(int x, int y) const { return canvas.image().pixel(x, 1960 - y); }
    QtCanvas canvas;
};

TEST_F(QtCanvasTest, LinesLeaveTheirEndPointOut) {
    canvas.line({10, 100}, {20, 100}, kRed);
    EXPECT_EQ(at(9, 100), kBg);
    EXPECT_EQ(at(10, 100), kRedPx);
    EXPECT_EQ(at(19, 100), kRedPx);
    EXPECT_EQ(at(20, 100), kBg);
    canvas.line({30, 200}, {30, 200}, kRed);  // start = end: no pixel
    EXPECT_EQ(at(30, 200), kBg);
    canvas.line({50, 300}, {40, 300}, kRed);  // right to left: 50 down to 41
    EXPECT_EQ(at(50, 300), kRedPx);
    EXPECT_EQ(at(41, 300), kRedPx);
    EXPECT_EQ(at(40, 300), kBg);
    canvas.line({60, 400}, {60, 410}, kRed);  // upward: 400 to 409
    EXPECT_EQ(at(60, 400), kRedPx);
    EXPECT_EQ(at(60, 409), kRedPx);
    EXPECT_EQ(at(60, 410), kBg);
    canvas.line({100, 500}, {110, 505}, kYellow);
    EXPECT_EQ(count_colour(canvas.image(), qRgb(255, 255, 0), 0, 1023), 10);
    EXPECT_EQ(at(110, 505), kBg);
}

TEST_F(QtCanvasTest, ClippedScrollMovesOnlyTheClipAndLeavesTheTopStrip) {
    canvas.line({10, 1000}, {20, 1000}, kRed);    // inside camera A's area
    canvas.line({600, 1000}, {610, 1000}, kRed);  // camera B's half
    canvas.line({10, 100}, {20, 100}, kRed);
    canvas.line({10, 1700}, {20, 1700}, kRed);
    canvas.set_clip({0, 511, 10, 1810});
    canvas.scroll_down(250);
    EXPECT_EQ(at(10, 750), kRedPx);
    EXPECT_EQ(at(10, 1000), kBg);                 // came from 1250, which was background
    EXPECT_EQ(at(600, 1000), kRedPx);             // outside the clip: unmoved
    EXPECT_EQ(at(10, 100), kBg);                  // moved below the area: lost
    EXPECT_EQ(at(10, 1700), kRedPx);              // the uncovered strip keeps its old pixels
    canvas.line({700, 1000}, {710, 1000}, kRed);  // the clip holds for lines too
    EXPECT_EQ(at(700, 1000), kBg);
}

TEST_F(QtCanvasTest, StatusRowsPaintOpaqueCellsInsideTheirRectangle) {
    canvas.fill_rect({0, 1023, 1800, 1960}, kBlue);
    canvas.status_row({10, 500, 1915, 1950}, "line          = 0.000.000.000", -32);
    canvas.end();
    const QImage& img = canvas.image();
    // Inside the row: grey cells and black glyphs, no blue left where the text stands.
    int grey = 0, black = 0;
    for (int y = 1960 - 1950; y < 1960 - 1915; ++y) {
        for (int x = 10; x < 200; ++x) {
            const QRgb p = img.pixel(x, y) & 0xffffff;
            grey += p == (kBg & 0xffffff);
            black += p == 0;
        }
    }
    EXPECT_GT(grey, 1000);
    EXPECT_GT(black, 50);
    // Outside the rectangle nothing changed.
    EXPECT_EQ(img.pixel(5, 1960 - 1930), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(100, 1960 - 1952), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(100, 1960 - 1913), qRgb(0, 0, 255));
}

TEST_F(QtCanvasTest, AResizeClearsThePicture) {
    canvas.line({10, 100}, {20, 100}, kRed);
    canvas.resize(QSize(300, 200));
    EXPECT_EQ(canvas.image().size(), QSize(300, 200));
    EXPECT_EQ(count_colour(canvas.image(), kBg, 0, 300), 300 * 200);
}

}  // namespace
}  // namespace korvel
