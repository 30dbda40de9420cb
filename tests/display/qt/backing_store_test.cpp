// The backing store against the plain image it stands for: every scroll moves the pixels
// of the area as a row-by-row copy would, whatever the offsets the ring has come to.
#include "display/qt/backing_store.h"

#include <gtest/gtest.h>

#include <random>

#include "display/qt/qt_canvas.h"

namespace korvel {
namespace {

// The plain image: rows moved one by one, bottom row first.
void scroll_down(QImage& plain, const DeviceRect& r, int shift) {
    for (int y = r.bottom - 1; y >= r.top + shift; --y)
        for (int x = r.left; x < r.right; ++x) plain.setPixel(x, y, plain.pixel(x, y - shift));
}

struct ScrollCase {
    int width, height;
    DeviceRect left_half, right_half;  // scrolled on their own, and together
    std::vector<int> shifts;           // taken in turn, over and over: the ring wraps
};

class BackingStoreScroll : public ::testing::TestWithParam<ScrollCase> {};

TEST_P(BackingStoreScroll, ComposesThePictureAPlainImageShows) {
    const ScrollCase& c = GetParam();
    BackingStore store;
    store.reset(c.width, c.height, 0xff000007u);
    QImage plain(c.width, c.height, QImage::Format_RGB32), shown = plain;
    plain.fill(0xff000007u);
    const auto fill = [&](const DeviceRect& r, uint32_t colour) {
        store.fill(r, colour);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) plain.setPixel(x, y, colour);
    };
    std::mt19937 rng(c.width * 31 + c.height);
    std::uniform_int_distribution<int> xs(0, c.width), ys(0, c.height);
    const DeviceRect both{c.left_half.left, c.left_half.top, c.right_half.right,
                          c.left_half.bottom};
    const DeviceRect areas[] = {c.left_half, c.right_half, both};
    for (int step = 0; step < 60; ++step) {
        // Something in every row and column, so that every move shows; opaque, as stored.
        for (int k = 0; k < 3; ++k) {
            const int x0 = xs(rng), x1 = xs(rng), y0 = ys(rng), y1 = ys(rng);
            fill({std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)},
                 0xff000000u | static_cast<uint32_t>(rng()));
        }
        const DeviceRect& area = areas[(step / 7) % 3];
        const int shift = c.shifts[static_cast<size_t>(step) % c.shifts.size()];
        store.scroll_down(area, shift);
        scroll_down(plain, area, shift);
        // The view paints a band over the rows that came in, whole or a half's columns of it.
        if (step % 3 != 2) {
            const int right = step % 3 == 0 ? area.right : (area.left + area.right) / 2;
            fill({area.left, area.top, right, std::min(area.top + shift + 2, area.bottom)},
                 0xff0000ffu);
        }
        store.compose_into(shown, DeviceRect{0, 0, c.width, c.height});
        ASSERT_TRUE(shown == plain) << "step " << step << " shift " << shift;
    }
}

INSTANTIATE_TEST_SUITE_P(
    SizesShiftsAndWraps, BackingStoreScroll,
    ::testing::Values(
        // 1920 x 1080-like halves, scaled down: a scroll of about a seventh of the area.
        ScrollCase{64, 40, {0, 4, 31, 36}, {32, 4, 63, 36}, {4, 5, 4, 1, 31}},
        // Odd sizes, a divider column between the halves, shifts up to half the area and over
        // it (the rows are then copied), the whole area and more (nothing moves).
        ScrollCase{33, 77, {0, 9, 16, 69}, {17, 9, 32, 69}, {9, 30, 31, 59, 60, 61, 3}},
        ScrollCase{101, 99, {0, 10, 50, 90}, {51, 10, 100, 90}, {11, 1, 40, 41, 79, 13}},
        ScrollCase{7, 5, {0, 0, 3, 5}, {4, 0, 7, 5}, {1, 2, 3, 4, 5}}),
    [](const ::testing::TestParamInfo<ScrollCase>& info) {
        return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
    });

// A status row drawn again shows the same pixels as one drawn once, also when something
// crossed it in between: a row keeps only the characters it shows untouched.
TEST(StatusRowRedraw, MatchesTheRowDrawnOnce) {
    // A red line crosses the row before the text numbered cross_at; -1: nothing crosses.
    const auto draw = [](const std::vector<std::string>& texts, int cross_at) {
        QtCanvas canvas;
        canvas.resize(QSize(1023, 1010));
        for (size_t i = 0; i < texts.size(); ++i) {
            canvas.begin(Frame{512});
            if (static_cast<int>(i) == cross_at) canvas.line({0, 1930}, {600, 1930}, kRed);
            canvas.status_row(LogicalRect{10, 500, 1915, 1950}, texts[i], -20);
            canvas.end();
            (void)canvas.image();  // drawn now, not coalesced with the next one
        }
        return canvas.image();
    };
    for (const bool cross : {false, true}) {
        EXPECT_EQ(draw({"line = 0.432.174.999", "line = 0.432.175.000", "line = 0.433.175.001"},
                       cross ? 1 : -1),
                  draw({"line = 0.433.175.001"}, cross ? 0 : -1))
            << (cross ? "crossed" : "untouched");
    }
}

}  // namespace
}  // namespace korvel
