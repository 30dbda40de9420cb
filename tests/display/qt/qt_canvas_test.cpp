// The Qt canvas's lines leave their end point out, as the platform's lines do: a segment
// whose start and end are the same pixel paints nothing. Its backing store scrolls as a plain
// image would, and a status row redrawn matches one drawn once.
#include "display/qt/qt_canvas.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <random>

#include "display/qt/backing_store.h"

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

// The backing store against the plain image it stands for: every scroll moves the pixels
// of the area as a row-by-row copy would, whatever the offsets the ring has come to.
// The plain image: rows moved one by one, bottom row first.
void scroll_down(QImage& plain, const DeviceRect& r, int shift) {
    for (int y = r.bottom - 1; y >= r.top + shift; --y)
        for (int x = r.left; x < r.right; ++x) plain.setPixel(x, y, plain.pixel(x, y - shift));
}

TEST(BackingStoreScroll, ComposesThePictureAPlainImageShows) {
    const struct {
        int width, height;
        DeviceRect left_half, right_half;  // scrolled on their own, and together
        std::vector<int> shifts;           // taken in turn, over and over: the ring wraps
    } cases[] = {
        // 1920 x 1080-like halves, scaled down: a scroll of about a seventh of the area.
        {64, 40, {0, 4, 31, 36}, {32, 4, 63, 36}, {4, 5, 4, 1, 31}},
        // Odd sizes, a divider column between the halves, shifts up to half the area and over
        // it (the rows are then copied), the whole area and more (nothing moves).
        {33, 77, {0, 9, 16, 69}, {17, 9, 32, 69}, {9, 30, 31, 59, 60, 61, 3}},
        {101, 99, {0, 10, 50, 90}, {51, 10, 100, 90}, {11, 1, 40, 41, 79, 13}},
        {7, 5, {0, 0, 3, 5}, {4, 0, 7, 5}, {1, 2, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
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
        const DeviceRect areas[] = {
            c.left_half, c.right_half,
            {c.left_half.left, c.left_half.top, c.right_half.right, c.left_half.bottom}};
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
            // A window painting a rectangle straight from the store, piece by piece, shows the
            // same pixels there and touches none beyond it.
            const int x0 = xs(rng), x1 = xs(rng), y0 = ys(rng), y1 = ys(rng);
            const DeviceRect r{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1),
                               std::max(y0, y1)};
            QImage pieced(c.width, c.height, QImage::Format_RGB32);
            pieced.fill(0xff00ff00u);
            QImage expected = pieced;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) expected.setPixel(x, y, plain.pixel(x, y));
            QPainter painter(&pieced);
            store.for_each_piece(r, [&](const DeviceRect& source, int x, int y) {
                painter.drawImage(QPoint(x, y), store.stored(),
                                  QRect(source.left, source.top, source.right - source.left,
                                        source.bottom - source.top));
            });
            painter.end();
            ASSERT_TRUE(pieced == expected) << "pieces, step " << step;
        }
    }
}

// Lines, steep, shallow, level and upright, in every direction, inside the clip and across
// its edges, and some unclipped across the ring's edges, on an area whose ring the scrolls
// have turned: the pixels a plain Bresenham walk on a plain image visits, end point left out.
TEST(QtCanvasLines, SlopedLinesPaintThePixelsOfThePlainWalk) {
    QtCanvas canvas;  // one pixel per logical unit, device y = 1960 - y
    canvas.resize(QSize(1023, 2020));
    QImage plain(1023, 2020, QImage::Format_RGB32);
    plain.fill(kBg);
    const DeviceRect area{0, 150, 1022, 1950};  // logical x 0 to 1022, y 10 to 1810
    DeviceRect clip = area;
    const auto walk = [&plain, &clip](int x0, int y0, int x1, int y1, QRgb colour) {
        const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        for (int err = dx + dy; x0 != x1 || y0 != y1;) {
            if (x0 >= clip.left && x0 < clip.right && y0 >= clip.top && y0 < clip.bottom)
                plain.setPixel(x0, y0, colour);
            const int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    };
    std::mt19937 rng(28);
    // Mostly inside the clip, some ends beyond it on every side.
    std::uniform_int_distribution<int> xs(-40, 1060), ys(-30, 1850), len(1, 300);
    for (const int shift : {0, 250, 250, 500, 250, 750, 250}) {
        canvas.begin(Frame{512});
        canvas.set_clip(LogicalRect{0, 1022, 10, 1810});
        canvas.scroll_down(shift);
        scroll_down(plain, area, shift);
        for (int k = 0; k < 300; ++k) {
            const int x0 = xs(rng), y0 = ys(rng);
            // Short and long, steep and shallow: the other end within a box around the first.
            // Every tenth unclipped, every twentieth of those upright, as the divider is.
            const bool unclipped = k % 10 == 8;
            const int x1 = unclipped && k % 20 == 8
                               ? x0
                               : x0 + (k % 2 ? len(rng) : len(rng) / 8) * (k % 4 < 2 ? 1 : -1);
            const int y1 = y0 + (k % 2 ? len(rng) / 8 : len(rng)) * (k % 8 < 4 ? 1 : -1);
            if (x1 == x0 && y1 == y0) continue;  // level and upright ones too
            clip = unclipped ? DeviceRect{0, 0, 1023, 2020} : area;
            if (unclipped) canvas.clear_clip();
            const Rgb colour = k % 3 == 0 ? kRed : k % 3 == 1 ? kBlue : kYellow;
            canvas.line({x0, y0}, {x1, y1}, colour);
            walk(x0, 1960 - y0, x1, 1960 - y1, qRgb(colour.r, colour.g, colour.b));
            if (unclipped) canvas.set_clip(LogicalRect{0, 1022, 10, 1810});
        }
        canvas.end();
        ASSERT_TRUE(canvas.image() == plain) << "after a scroll of " << shift;
    }
}

// Runs of every length up to a few dozen, the wide stores overlapping at their end: exactly
// the run's pixels change, none before or after it.
TEST(BackingStoreFill, SetsExactlyTheRunsPixels) {
    for (int n = 0; n <= 40; ++n) {
        std::vector<uint32_t> row(48, 7u);
        BackingStore::fill_pixels(row.data() + 3, n, 0xff0000ffu);
        for (int x = 0; x < 48; ++x) {
            EXPECT_EQ(row[static_cast<size_t>(x)], x >= 3 && x < 3 + n ? 0xff0000ffu : 7u)
                << "run of " << n << " at pixel " << x;
        }
    }
}

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
