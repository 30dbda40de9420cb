#include "display/qt/qt_canvas.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace korvel {
namespace {

uint32_t pixel(Rgb c) {
    return 0xff000000u | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
}

}  // namespace

QtCanvas::QtCanvas(int dpi_y) : dpi_y_(dpi_y) {
    resize(QSize(1, 1));
}

void QtCanvas::resize(QSize device_pixels) {
    rows_.clear();  // the picture is cleared anyway
    const QSize size = device_pixels.expandedTo(QSize(1, 1));
    store_.reset(size.width(), size.height(), pixel(kBackground));
    shown_ = QImage(size, QImage::Format_RGB32);
    shown_.fill(pixel(kBackground));
    changed_.clear();
    stale_.clear();
    unshown_.clear();
    unshown_.add(whole());
    set_mapping();
    update_drawable();
}

void QtCanvas::set_mapping() {
    mapping_ = FrameMapping(frame_, store_.width(), store_.height());
    mapped_size_ = size();
    x_of_.resize(static_cast<size_t>(std::clamp(frame_.extent_x() + 1, 0, 1 << 16)));
    for (size_t x = 0; x < x_of_.size(); ++x) x_of_[x] = mapping_.x(static_cast<double>(x));
    y_of_.resize(Frame::kExtentY - 2 * kFirstTabledY);
    for (size_t i = 0; i < y_of_.size(); ++i)
        y_of_[i] = mapping_.y(kFirstTabledY + static_cast<double>(i));
}

void QtCanvas::settle() {
    stale_.add(changed_);
    unshown_.add(changed_);
    changed_.clear();
}

const QImage& QtCanvas::image() {
    complete();
    settle();
    for (const DeviceRect& r : stale_) store_.compose_into(shown_, r);
    stale_.clear();
    return shown_;
}

DirtyArea QtCanvas::take_changed() {
    complete();
    settle();
    const DirtyArea r = unshown_;
    unshown_.clear();
    return r;
}

void QtCanvas::begin(const Frame& frame) {
    if (frame.line_width != frame_.line_width || mapped_size_ != size()) {
        frame_ = frame;
        set_mapping();
    }
    clip_.reset();
    update_drawable();
}

void QtCanvas::end() {
    clip_.reset();
    update_drawable();
}

void QtCanvas::update_drawable() {
    drawable_ = clip_ ? intersect(*clip_, whole()) : whole();
}

void QtCanvas::span(int y, int x0, int x1, uint32_t colour) {
    const DeviceRect d = drawable();
    if (y < d.top || y >= d.bottom) return;
    x0 = std::max(x0, d.left);
    x1 = std::min(x1, d.right);
    if (x0 >= x1) return;
    touch(DeviceRect{x0, y, x1, y + 1});
    store_.for_each_run(y, x0, x1,
                        [colour](uint32_t* p, int n) { BackingStore::fill_pixels(p, n, colour); });
}

void QtCanvas::fill_rect(const LogicalRect& rect, Rgb colour) {
    const DeviceRect r = intersect(to_device(rect), whole());
    if (is_empty(r)) return;
    // Rows a scroll left to fill that this fill covers are not filled first.
    store_.prepare_fill(r);
    rows_.touch(r, store_, changed_);
    changed_.add(r);
    store_.fill(r, pixel(colour));
}

void QtCanvas::line(LogicalPoint from, LogicalPoint to, Rgb colour) {
    const int x0 = device_x(from.x);
    const int y0 = device_y(from.y);
    const int x1 = device_x(to.x);
    const int y1 = device_y(to.y);
    const uint32_t c = pixel(colour);
    if (y0 == y1) {
        // From the start pixel toward the end pixel, the end pixel left out.
        if (x0 < x1) span(y0, x0, x1, c);
        if (x1 < x0) span(y0, x1 + 1, x0 + 1, c);
        return;
    }
    const DeviceRect d = drawable();
    if (x0 == x1) {
        if (x0 < d.left || x0 >= d.right) return;
        const int top = std::max(y0 < y1 ? y0 : y1 + 1, d.top);
        const int bottom = std::min(y0 < y1 ? y1 : y0 + 1, d.bottom);
        if (top >= bottom) return;
        touch(DeviceRect{x0, top, x0 + 1, bottom});
        store_.fill_column(x0, top, bottom, c);
        return;
    }
    sloped_line(x0, y0, x1, y1, c);
}

void QtCanvas::level_lines(const LevelLine* lines, int count, Rgb colour) {
    draw_level(
        count, [lines](int i) { return lines[i]; }, pixel(colour));
}

void QtCanvas::particle_rows(int first_y, const Segment* segments, int count, int offset,
                             Rgb colour) {
    draw_level(
        count,
        [=](int i) {
            return LevelLine{offset + segments[i].start_x, offset + segments[i].end_x, first_y + i};
        },
        pixel(colour));
}

template <class LineAt>
void QtCanvas::draw_level(int count, LineAt&& line_at, uint32_t c) {
    // Each line mapped and clipped first, the area around them all touched once, then the
    // pixels set: the same pixels as line by line, with a touch for the batch.
    struct Span {
        int y, left, right;
    };
    const DeviceRect d = drawable();
    Span spans[64];
    for (int start = 0; start < count;) {
        const int batch = std::min(count - start, static_cast<int>(std::size(spans)));
        int n = 0;
        for (int i = 0; i < batch; ++i) {
            const LevelLine l = line_at(start + i);
            const int y = device_y(l.y);
            if (y < d.top || y >= d.bottom) continue;
            const int a = device_x(l.x0), b = device_x(l.x1);
            // From the start pixel toward the end pixel, the end pixel left out.
            const int left = std::max(a < b ? a : b + 1, d.left);
            const int right = std::min(a < b ? b : a + 1, d.right);
            if (a == b || left >= right) continue;
            // The scan lines of a particle are more than the picture's rows: two that land
            // on one row and meet there are one span of the same colour.
            if (n > 0 && spans[n - 1].y == y && left <= spans[n - 1].right &&
                right >= spans[n - 1].left) {
                spans[n - 1].left = std::min(spans[n - 1].left, left);
                spans[n - 1].right = std::max(spans[n - 1].right, right);
                continue;
            }
            spans[n++] = {y, left, right};
        }
        start += batch;
        if (n == 0) continue;
        // The box around the spans, fewer than the lines, for the one touch.
        DeviceRect box{spans[0].left, spans[0].y, spans[0].right, spans[0].y + 1};
        for (int i = 1; i < n; ++i) {
            box = {std::min(box.left, spans[i].left), std::min(box.top, spans[i].y),
                   std::max(box.right, spans[i].right), std::max(box.bottom, spans[i].y + 1)};
        }
        touch(box);
        BackingStore::RowStep step;
        if (box.bottom - box.top > 1 && store_.row_step(box, step)) {
            // Stored alike, as a particle's rows mostly are: a row pointer follows the spans,
            // which lie on the same row or the next one up or down, a step at a time. (A scan
            // line's runs lie on one row, which the plain look-up serves as well.)
            int y = spans[0].y;
            uint32_t* row = store_.at(box.left, y) - box.left;
            for (int i = 0; i < n; ++i) {
                const Span& s = spans[i];
                if (s.y == y + 1) {
                    row = step.down(row + box.left) - box.left;
                } else if (s.y == y - 1) {
                    row = step.up(row + box.left) - box.left;
                } else if (s.y != y) {
                    row = store_.at(box.left, s.y) - box.left;
                }
                y = s.y;
                BackingStore::fill_pixels(row + s.left, s.right - s.left, c);
            }
        } else {
            for (int i = 0; i < n; ++i) {
                store_.for_each_run(
                    spans[i].y, spans[i].left, spans[i].right,
                    [c](uint32_t* p, int k) { BackingStore::fill_pixels(p, k, c); });
            }
        }
    }
}

void QtCanvas::sloped_line(int x0, int y0, int x1, int y1, uint32_t c) {
    // Any other slope, the connectors: Bresenham's walk, the end point left out. The pixels
    // it visits on one row lie side by side; they are written a row's run at a time, so the
    // walk itself only counts.
    const DeviceRect d = drawable();
    const DeviceRect box = intersect(
        DeviceRect{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1},
        d);
    if (is_empty(box)) return;
    touch(box);
    BackingStore::RowStep step;
    if (box.left == std::min(x0, x1) && box.right == std::max(x0, x1) + 1 &&
        box.top == std::min(y0, y1) && box.bottom == std::max(y0, y1) + 1 &&
        store_.row_step(box, step)) {
        walk_inside(x0, y0, x1, y1, c, step);
        return;
    }
    const auto run = [this, &d, c](int y, int a, int b) {  // pixels a to b of row y, inclusive
        if (y < d.top || y >= d.bottom) return;
        const int left = std::max(std::min(a, b), d.left);
        const int right = std::min(std::max(a, b) + 1, d.right);
        if (left < right) {
            store_.for_each_run(y, left, right,
                                [c](uint32_t* p, int n) { BackingStore::fill_pixels(p, n, c); });
        }
    };
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0, y = y0;
    int run_start = x0;  // the first pixel of the walk on row y
    while (x != x1 || y != y1) {
        const int e2 = 2 * err;
        int next_x = x;
        if (e2 >= dy) {
            err += dy;
            next_x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            run(y, run_start, x);
            y += sy;
            run_start = next_x;
        }
        x = next_x;
    }
    if (run_start != x) run(y, run_start, x - sx);
}

namespace {

// The lengths of the slices of a Bresenham walk: the runs of pixels it sets side by side
// along its longer axis, one run for each step across. With u the doubled error measured
// from where a run of two begins, a run is floor(u / d) + 2 pixels long, d being twice the
// shorter side; after it, u falls by d for each pixel and rises by twice the longer side.
// Kept as quotient and remainder, u moves on by adding that rise's remainder, once divided,
// so a slice costs an addition and a compare where the plain formula takes a division.
class SliceLengths {
  public:
    // u0 is at least -d, as every walk's first is; twice_long is at least d.
    SliceLengths(int u0, int d, int twice_long)
        : d_(d), whole_(twice_long / d), rest_(twice_long % d) {
        q_ = u0 >= 0 ? u0 / d : -1;
        r_ = u0 - q_ * d;
    }
    int next() {
        const int n = q_ + 2;
        r_ += rest_;
        if (r_ >= d_) {
            r_ -= d_;
            q_ = whole_ - 1;
        } else {
            q_ = whole_ - 2;
        }
        return n;
    }

  private:
    int d_, whole_, rest_;
    int q_ = 0, r_ = 0;
};

// The rows of a walk more level than steep from p on, each as long as slices says, the
// last one the rest of the dx steps: one loop for each direction, so that a row costs its
// stores and a step rather than choices.
template <bool Down, bool Right>
void walk_rows(uint32_t* p, SliceLengths slices, int dx, int dy, uint32_t c,
               const BackingStore::RowStep& step) {
    int left = dx;  // the walk has dx steps, the end point left out
    for (int row = 0; row < dy; ++row) {
        const int n = slices.next();
        if constexpr (Right) {
            BackingStore::fill_pixels(p, n, c);
            p += n;
        } else {
            BackingStore::fill_pixels(p - n + 1, n, c);
            p -= n;
        }
        p = Down ? step.down(p) : step.up(p);
        left -= n;
    }
    BackingStore::fill_pixels(Right ? p : p - left + 1, left, c);
}

}  // namespace

void QtCanvas::walk_inside(int x0, int y0, int x1, int y1, uint32_t c,
                           const BackingStore::RowStep& step) {
    // The same walk, wholly inside the clip, as connectors mostly are, a slice at a time.
    // Along the longer axis the walk moves every step; across it, it moves on the step whose
    // doubled error has come within the shorter side's length: a row (or a column) of pixels
    // for each step across, as long as SliceLengths says. A pointer follows the walk, a row
    // at a time through the backing store's step, which knows where the ring wraps.
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = std::abs(y1 - y0);
    const bool down = y0 < y1;
    uint32_t* p = store_.at(x0, y0);
    if (dx >= dy) {
        // Rows of pixels side by side. With err starting at dx - dy, a row's steps are those
        // that move x alone, while 2 err > dx, err falling by dy each, and then the one that
        // moves both: u = 2 err - dx - 1.
        const SliceLengths slices(dx - 2 * dy - 1, 2 * dy, 2 * dx);
        if (down) {
            sx > 0 ? walk_rows<true, true>(p, slices, dx, dy, c, step)
                   : walk_rows<true, false>(p, slices, dx, dy, c, step);
        } else {
            sx > 0 ? walk_rows<false, true>(p, slices, dx, dy, c, step)
                   : walk_rows<false, false>(p, slices, dx, dy, c, step);
        }
        return;
    }
    // Columns of pixels one above the other: the steps that move y alone, while 2 err < -dy,
    // err rising by dx each, and then the one that moves both: u = -dy - 2 err - 1.
    SliceLengths slices(dy - 2 * dx - 1, 2 * dx, 2 * dy);
    int left = dy;
    const auto column = [&p, &step, down, c](int n) {
        for (int k = 0; k < n; ++k) {
            *p = c;
            p = down ? step.down(p) : step.up(p);
        }
    };
    for (int col = 0; col < dx; ++col) {
        const int n = slices.next();
        column(n);
        p += sx;
        left -= n;
    }
    column(left);
}

void QtCanvas::status_row(const LogicalRect& rect, const std::string& text, int font_height) {
    const DeviceRect full = to_device(rect);
    const DeviceRect r = intersect(full, whole());
    if (is_empty(r)) return;
    // The character height, asked for as a negative height, is the em size.
    store_.settle();
    rows_.add(r, full.left, full.bottom, mapping_.height(std::abs(font_height)), text, store_,
              changed_);
}

void QtCanvas::scale_label(LogicalPoint at, const std::string& text) {
    const int x = mapping_.x(at.x);
    const int y = mapping_.y(at.y);
    const int px = mapping_.height(kScaleFontCellHeight);
    const DeviceRect area = intersect(labels_.extent(x, y, px, text), whole());
    if (!is_empty(area)) touch(area);
    labels_.draw(store_, x, y, px, text);
}

void QtCanvas::set_clip(const LogicalRect& rect) {
    clip_ = to_device(rect);
    update_drawable();
}

void QtCanvas::clear_clip() {
    clip_.reset();
    update_drawable();
}

void QtCanvas::scroll_down(int units) {
    const DeviceRect d = drawable();
    const int shift = mapping_.height(units);
    if (is_empty(d) || shift <= 0) return;
    touch(d);
    store_.scroll_down(d, shift);
}

void QtCanvas::update_window() {
    if (on_update_) on_update_();
}

}  // namespace korvel
