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

DeviceRect intersect(const DeviceRect& a, const DeviceRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool empty(const DeviceRect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

QRect qrect(const DeviceRect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

}  // namespace

QtCanvas::QtCanvas(int dpi_y) : dpi_y_(dpi_y) {
    resize(QSize(1, 1));
}

void QtCanvas::resize(QSize device_pixels) {
    if (painter_.isActive()) painter_.end();
    image_ = QImage(device_pixels.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image_.fill(qcolor(kBackground));
}

void QtCanvas::begin(const Frame& frame) {
    frame_ = frame;
    clip_.reset();
}

void QtCanvas::end() {
    if (painter_.isActive()) painter_.end();
    clip_.reset();
}

QPainter& QtCanvas::painter() {
    if (!painter_.isActive()) painter_.begin(&image_);
    return painter_;
}

uint32_t* QtCanvas::row(int y) {
    if (painter_.isActive()) painter_.end();
    return reinterpret_cast<uint32_t*>(image_.scanLine(y));
}

DeviceRect QtCanvas::to_device(const LogicalRect& rect) const {
    return device_rect(frame_, image_.width(), image_.height(), rect);
}

DeviceRect QtCanvas::drawable() const {
    const DeviceRect whole{0, 0, image_.width(), image_.height()};
    return clip_ ? intersect(*clip_, whole) : whole;
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
    if (empty(r)) return;
    const uint32_t c = pixel(colour);
    for (int y = r.top; y < r.bottom; ++y) std::fill(row(y) + r.left, row(y) + r.right, c);
}

void QtCanvas::line(LogicalPoint from, LogicalPoint to, Rgb colour) {
    const int x0 = device_x(frame_, image_.width(), from.x);
    const int y0 = device_y(frame_, image_.height(), from.y);
    const int x1 = device_x(frame_, image_.width(), to.x);
    const int y1 = device_y(frame_, image_.height(), to.y);
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
        for (int y = top; y < bottom; ++y) row(y)[x0] = c;
        return;
    }
    // Any other slope, the connectors: Bresenham's walk, the end point left out.
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (int x = x0, y = y0; x != x1 || y != y1;) {
        if (x >= d.left && x < d.right && y >= d.top && y < d.bottom) row(y)[x] = c;
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
    const DeviceRect r = to_device(rect);
    if (empty(r)) return;
    // A negative height asks for the character height; a positive one for the cell height.
    const int px = device_height(image_.height(), std::abs(font_height));
    const QFont& font = font_height < 0 ? font_for(status_font_, status_px_, px, false)
                                        : font_for(scale_font_, scale_px_, px, true);
    QPainter& p = painter();
    p.setClipRect(qrect(r));
    p.setFont(font);
    const QFontMetrics m(font);
    const QString s = QString::fromStdString(text);
    const int cell = m.ascent() + m.descent();
    p.fillRect(QRect(r.left, r.bottom - cell, m.horizontalAdvance(s), cell), qcolor(kBackground));
    p.setPen(qcolor(kBlack));
    p.drawText(QPoint(r.left, r.bottom - m.descent()), s);
    p.setClipping(false);
}

void QtCanvas::scale_label(LogicalPoint at, const std::string& text) {
    const int x = device_x(frame_, image_.width(), at.x);
    const int y = device_y(frame_, image_.height(), at.y);
    const int px = device_height(image_.height(), kScaleFontCellHeight);
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
}

void QtCanvas::clear_clip() {
    clip_.reset();
}

void QtCanvas::scroll_down(int units) {
    const DeviceRect d = drawable();
    const int shift = device_height(image_.height(), units);
    if (empty(d) || shift <= 0) return;
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
