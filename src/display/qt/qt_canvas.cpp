#include "display/qt/qt_canvas.h"

#include <QFontMetrics>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "display/qt/display_fonts.h"

namespace korvel {
namespace {

uint32_t pixel(Rgb c) {
    return 0xff000000u | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
}

QColor qcolor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

QtCanvas::QtCanvas(int dpi_y) : dpi_y_(dpi_y) {
    resize(QSize(1, 1));
}

void QtCanvas::resize(QSize device_pixels) {
    rows_.clear();  // the picture is cleared anyway
    if (painting_) end_painting();
    image_ = QImage(device_pixels.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image_.fill(qcolor(kBackground));
    take_bits();
    mapping_ = FrameMapping(frame_, image_.width(), image_.height());
    update_drawable();
}

void QtCanvas::take_bits() {
    // bits() detaches the image from a copy handed out since (the picture a window shows).
    bits_ = reinterpret_cast<uint32_t*>(image_.bits());
    stride_ = image_.bytesPerLine() / static_cast<ptrdiff_t>(sizeof(uint32_t));
}

void QtCanvas::begin(const Frame& frame) {
    frame_ = frame;
    mapping_ = FrameMapping(frame_, image_.width(), image_.height());
    clip_.reset();
    update_drawable();
    take_bits();
}

void QtCanvas::end() {
    if (painting_) end_painting();
    clip_.reset();
    update_drawable();
}

QPainter& QtCanvas::painter() {
    if (!painting_) {
        painter_.begin(&image_);
        painting_ = true;
    }
    return painter_;
}

void QtCanvas::end_painting() {
    painter_.end();
    painting_ = false;
    take_bits();
}

void QtCanvas::update_drawable() {
    const DeviceRect whole{0, 0, image_.width(), image_.height()};
    drawable_ = clip_ ? intersect(*clip_, whole) : whole;
}

void QtCanvas::span(int y, int x0, int x1, uint32_t colour) {
    const DeviceRect d = drawable();
    if (y < d.top || y >= d.bottom) return;
    x0 = std::max(x0, d.left);
    x1 = std::min(x1, d.right);
    if (x0 >= x1) return;
    std::fill(row(y) + x0, row(y) + x1, colour);
}

void QtCanvas::fill_rect(const LogicalRect& rect, Rgb colour) {
    const DeviceRect r = intersect(to_device(rect), {0, 0, image_.width(), image_.height()});
    if (is_empty(r)) return;
    flush_rows_touching(r);
    const uint32_t c = pixel(colour);
    for (int y = r.top; y < r.bottom; ++y) std::fill(row(y) + r.left, row(y) + r.right, c);
}

void QtCanvas::line(LogicalPoint from, LogicalPoint to, Rgb colour) {
    const int x0 = mapping_.x(from.x);
    const int y0 = mapping_.y(from.y);
    const int x1 = mapping_.x(to.x);
    const int y1 = mapping_.y(to.y);
    const uint32_t c = pixel(colour);
    if (!rows_.empty()) {
        flush_rows_touching(
            {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1});
    }
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
        for (int y = top; y < bottom; ++y) row(y)[x0] = c;
        return;
    }
    // Any other slope, the connectors: Bresenham's walk, the end point left out.
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    const bool inside = std::min(x0, x1) >= d.left && std::max(x0, x1) < d.right &&
                        std::min(y0, y1) >= d.top && std::max(y0, y1) < d.bottom;
    if (painting_) end_painting();
    if (inside) {
        // Wholly inside the clip, as connectors mostly are: no test per pixel, and the pixel
        // pointer follows the walk instead of being recomputed.
        uint32_t* p = bits_ + static_cast<ptrdiff_t>(y0) * stride_ + x0;
        const ptrdiff_t step_y = sy * stride_;
        int err = dx + dy;
        for (int n = std::max(dx, -dy); n > 0; --n) {
            *p = c;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                p += sx;
            }
            if (e2 <= dx) {
                err += dx;
                p += step_y;
            }
        }
        return;
    }
    int err = dx + dy;
    for (int x = x0, y = y0; x != x1 || y != y1;) {
        if (x >= d.left && x < d.right && y >= d.top && y < d.bottom) {
            bits_[static_cast<ptrdiff_t>(y) * stride_ + x] = c;
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

const QFont& QtCanvas::font_for(std::optional<QFont>& cache, int& cached_px, int px, bool scale) {
    if (!cache || cached_px != px) {
        cache = scale ? scale_font(px) : korvel::status_font(px);
        cached_px = px;
    }
    return *cache;
}

void QtCanvas::status_row(const LogicalRect& rect, const std::string& text, int font_height) {
    const DeviceRect whole = to_device(rect);
    const DeviceRect r = intersect(whole, DeviceRect{0, 0, image_.width(), image_.height()});
    if (is_empty(r)) return;
    // The character height, asked for as a negative height, is the em size.
    rows_.add(r, whole.left, whole.bottom, mapping_.height(std::abs(font_height)), text, pixels());
}

void QtCanvas::flush_rows() {
    if (!rows_.empty()) rows_.flush(pixels());
}

void QtCanvas::flush_rows_touching(const DeviceRect& area) {
    if (!rows_.empty()) rows_.flush_touching(area, pixels());
}

void QtCanvas::scale_label(LogicalPoint at, const std::string& text) {
    const int x = mapping_.x(at.x);
    const int y = mapping_.y(at.y);
    flush_rows();  // the label's extent is the font's business; labels come once a step
    const int px = mapping_.height(kScaleFontCellHeight);
    const QFont& font = font_for(scale_font_, scale_px_, px, true);
    QPainter& p = painter();
    p.setFont(font);
    const QFontMetrics m(font);
    const QString s = QString::fromStdString(text);
    p.setPen(qcolor(kBlack));
    p.drawText(QPoint(x - m.horizontalAdvance(s) / 2, y - m.descent()), s);
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
    flush_rows_touching(d);
    const size_t bytes = static_cast<size_t>(d.right - d.left) * sizeof(uint32_t);
    // Bottom row first, so that every source row is read before it is overwritten.
    for (int y = d.bottom - 1; y >= d.top + shift; --y) {
        std::memmove(row(y) + d.left, row(y - shift) + d.left, bytes);
    }
}

void QtCanvas::update_window() {
    if (on_update_) on_update_();
}

}  // namespace korvel
