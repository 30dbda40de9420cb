// The backing store against the plain image it stands for: every scroll moves the pixels
// of the area as a row-by-row copy would, whatever the offsets the ring has come to.
#include "display/qt/backing_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "display/qt/qt_canvas.h"

namespace korvel {
namespace {

// The plain image: rows moved one by one, bottom row first.
struct PlainImage {
    int width, height;
    std::vector<uint32_t> px;
    PlainImage(int w, int h, uint32_t c) : width(w), height(h), px(static_cast<size_t>(w * h), c) {}
    uint32_t& at(int x, int y) { return px[static_cast<size_t>(y * width + x)]; }
    void fill(const DeviceRect& r, uint32_t c) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) at(x, y) = c;
    }
    void scroll_down(const DeviceRect& r, int shift) {
        for (int y = r.bottom - 1; y >= r.top + shift; --y)
            for (int x = r.left; x < r.right; ++x) at(x, y) = at(x, y - shift);
    }
};

void expect_same(BackingStore& store, PlainImage& plain, const std::string& what) {
    QImage shown(store.width(), store.height(), QImage::Format_RGB32);
    store.compose_into(shown, DeviceRect{0, 0, store.width(), store.height()});
    for (int y = 0; y < plain.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(shown.constScanLine(y));
        for (int x = 0; x < plain.width; ++x) {
            ASSERT_EQ(row[x], plain.at(x, y)) << what << " at " << x << "," << y;
        }
    }
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
    PlainImage plain(c.width, c.height, 0xff000007u);
    std::mt19937 rng(c.width * 31 + c.height);
    const auto random_rect = [&] {
        std::uniform_int_distribution<int> xs(0, c.width), ys(0, c.height);
        int x0 = xs(rng), x1 = xs(rng), y0 = ys(rng), y1 = ys(rng);
        return DeviceRect{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    };
    const DeviceRect both{c.left_half.left, c.left_half.top, c.right_half.right,
                          c.left_half.bottom};
    const DeviceRect areas[] = {c.left_half, c.right_half, both};
    for (int step = 0; step < 60; ++step) {
        // Something in every row and column, so that every move shows.
        for (int k = 0; k < 3; ++k) {
            const DeviceRect r = random_rect();
            const uint32_t colour =
                0xff000000u | static_cast<uint32_t>(rng());  // opaque, as stored
            store.fill(r, colour);
            plain.fill(r, colour);
        }
        const DeviceRect& area = areas[(step / 7) % 3];
        const int shift = c.shifts[static_cast<size_t>(step) % c.shifts.size()];
        store.scroll_down(area, shift);
        plain.scroll_down(area, shift);
        // The view paints a band over the rows that came in, whole or a half's columns of it.
        if (step % 3 != 2) {
            const int right = step % 3 == 0 ? area.right : (area.left + area.right) / 2;
            const DeviceRect band{area.left, area.top, right,
                                  std::min(area.top + shift + 2, area.bottom)};
            store.fill(band, 0xff0000ffu);
            plain.fill(band, 0xff0000ffu);
        }
        expect_same(store, plain,
                    "step " + std::to_string(step) + " shift " + std::to_string(shift));
        if (HasFatalFailure()) return;
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
    const LogicalRect row{10, 500, 1915, 1950};
    const auto draw = [&row](QtCanvas& canvas, const std::vector<std::string>& texts, bool cross) {
        canvas.resize(QSize(1023, 1010));
        for (size_t i = 0; i < texts.size(); ++i) {
            canvas.begin(Frame{512});
            if (cross && i == 1) canvas.line({0, 1930}, {600, 1930}, kRed);
            canvas.status_row(row, texts[i], -20);
            canvas.end();
            (void)canvas.image();  // drawn now, not coalesced with the next one
        }
    };
    for (const bool cross : {false, true}) {
        QtCanvas redrawn, once;
        draw(redrawn, {"line = 0.432.174.999", "line = 0.432.175.000", "line = 0.433.175.001"},
             cross);
        once.resize(QSize(1023, 1010));
        once.begin(Frame{512});
        if (cross) once.line({0, 1930}, {600, 1930}, kRed);
        once.status_row(row, "line = 0.433.175.001", -20);
        once.end();
        EXPECT_EQ(redrawn.image(), once.image()) << (cross ? "crossed" : "untouched");
    }
}

}  // namespace
}  // namespace korvel
