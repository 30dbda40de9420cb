#include "display/qt/backing_store.h"

#include <algorithm>
#include <cstring>

namespace korvel {

void BackingStore::reset(int width, int height, uint32_t colour) {
    width_ = width;
    height_ = height;
    image_ = QImage(width, height, QImage::Format_RGB32);
    image_.fill(colour);
    bits_ = reinterpret_cast<uint32_t*>(image_.bits());
    stride_ = image_.bytesPerLine() / static_cast<ptrdiff_t>(sizeof(uint32_t));
    ring_top_ = 0;
    ring_rows_ = 0;
    incoming_rows_ = 0;
    offset_.assign(static_cast<size_t>(width), 0);
    run_end_.assign(static_cast<size_t>(width), width);
}

void BackingStore::prepare_fill(const DeviceRect& r) {
    if (incoming_rows_ == 0) return;
    DeviceRect& in = incoming_;
    const DeviceRect rows{in.left, in.top, in.right, in.top + incoming_rows_};
    if (!overlap(r, rows)) return;
    // A fill over all of the rows in columns at either end of them leaves only the others to
    // fill: the synchronous view paints the band of each half, and the divider's column is
    // all that is left.
    if (r.top <= rows.top && r.bottom >= rows.bottom) {
        if (r.left <= in.left) {
            in.left = std::min(r.right, in.right);
        } else if (r.right >= in.right) {
            in.right = std::max(r.left, in.left);
        } else {
            fill_incoming();
            return;
        }
        if (in.left >= in.right) incoming_rows_ = 0;
        return;
    }
    fill_incoming();
}

bool BackingStore::row_step(const DeviceRect& r, RowStep& step) const {
    step.stride_ = stride_;
    if (in_ring(r.top) && in_ring(r.bottom - 1)) {
        if (run_end_[static_cast<size_t>(r.left)] < r.right) return false;
        step.wrap_ = ring_rows_ * stride_;
        step.last_ = bits_ + (ring_top_ + ring_rows_ - 1) * stride_;
        step.second_ = bits_ + (ring_top_ + 1) * stride_;
        return true;
    }
    if (r.bottom <= ring_top_ || r.top >= ring_top_ + ring_rows_) {
        // Stored as shown: no pointer within the rows gets to either bound.
        step.wrap_ = 0;
        step.last_ = bits_ + height_ * stride_;
        step.second_ = bits_;
        return true;
    }
    return false;
}

void BackingStore::fill(const DeviceRect& r, uint32_t colour) {
    prepare_fill(r);
    // One row of the colour, copied into every row: a copy moves many pixels an instruction.
    fill_row_.assign(static_cast<size_t>(r.right - r.left), colour);
    for (int y = r.top; y < r.bottom; ++y) {
        const uint32_t* from = fill_row_.data();
        for_each_run(y, r.left, r.right, [&from](uint32_t* p, int n) {
            std::memcpy(p, from, static_cast<size_t>(n) * sizeof(uint32_t));
            from += n;
        });
    }
}

void BackingStore::fill_column(int x, int top, int bottom, uint32_t colour) {
    const int ring_bottom = ring_top_ + ring_rows_;
    for (int y = top; y < bottom;) {
        // The stretch ends where the ring begins or ends, or where its stored rows wrap.
        int end = bottom;
        if (y < ring_top_) {
            end = std::min(bottom, ring_top_);
        } else if (y < ring_bottom) {
            end = std::min({bottom, ring_bottom, y + (ring_bottom - row_of(x, y))});
        }
        uint32_t* p = at(x, y);
        for (int k = y; k < end; ++k, p += stride_) *p = colour;
        y = end;
    }
}

void BackingStore::compose_into(QImage& out, const DeviceRect& r) {
    settle();
    auto* out_bits = reinterpret_cast<uint32_t*>(out.bits());
    const ptrdiff_t out_stride = out.bytesPerLine() / static_cast<ptrdiff_t>(sizeof(uint32_t));
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* dst = out_bits + y * out_stride + r.left;
        for_each_run(y, r.left, r.right, [&dst](const uint32_t* p, int n) {
            std::memcpy(dst, p, static_cast<size_t>(n) * sizeof(uint32_t));
            dst += n;
        });
    }
}

void BackingStore::split_at(int x) {
    if (x <= 0 || x >= width_) return;
    const int end = run_end_[static_cast<size_t>(x)];
    for (int c = x - 1; c >= 0 && run_end_[static_cast<size_t>(c)] == end; --c) {
        run_end_[static_cast<size_t>(c)] = x;
    }
}

void BackingStore::set_ring(int top, int bottom) {
    settle();
    const bool turned = std::any_of(offset_.begin(), offset_.end(), [](int o) { return o != 0; });
    if (turned) {
        // Every stored row put where it is shown, once, for an area of other rows: a new
        // frame, which the view does not otherwise change without a new picture.
        QImage shown(width_, height_, QImage::Format_RGB32);
        compose_into(shown, DeviceRect{0, 0, width_, height_});
        image_ = shown;
        bits_ = reinterpret_cast<uint32_t*>(image_.bits());
    }
    ring_top_ = top;
    ring_rows_ = bottom - top;
    offset_.assign(static_cast<size_t>(width_), 0);
    run_end_.assign(static_cast<size_t>(width_), width_);
}

void BackingStore::move_rows(const DeviceRect& area, int shift) {
    settle();
    // Bottom row first; every visible row has its own stored row, so a row is copied whole
    // from one stored row to another, stretch by stretch.
    for (int y = area.bottom - 1; y >= area.top + shift; --y) {
        for (int x = area.left; x < area.right;) {
            const int end = std::min({area.right, run_end(y, x), run_end(y - shift, x)});
            std::memcpy(at(x, y), at(x, y - shift),
                        static_cast<size_t>(end - x) * sizeof(uint32_t));
            x = end;
        }
    }
}

void BackingStore::scroll_down(const DeviceRect& area, int shift) {
    const int rows = area.bottom - area.top;
    if (shift <= 0 || shift >= rows || area.left >= area.right) return;  // nothing moves
    if (2 * shift > rows) {
        // The rows that come in would have to keep rows that go round the ring themselves:
        // only in windows a few dozen pixels high, where moving the rows costs nothing.
        move_rows(area, shift);
        return;
    }
    settle();
    if (ring_top_ != area.top || ring_rows_ != rows) set_ring(area.top, area.bottom);
    split_at(area.left);
    split_at(area.right);
    for (int c = area.left; c < area.right; ++c) {
        int& o = offset_[static_cast<size_t>(c)];
        o += rows - shift;
        if (o >= rows) o -= rows;
    }
    // The rows that come in are the ones that went out at the bottom; they are to show what
    // they showed before, which now stands shift rows lower.
    incoming_ = area;
    incoming_rows_ = shift;
}

void BackingStore::fill_incoming() {
    const DeviceRect& area = incoming_;
    const int shift = incoming_rows_;
    incoming_rows_ = 0;
    for (int x = area.left; x < area.right; x = run_end_[static_cast<size_t>(x)]) {
        const int end = std::min(area.right, run_end_[static_cast<size_t>(x)]);
        const size_t bytes = static_cast<size_t>(end - x) * sizeof(uint32_t);
        for (int y = area.top; y < area.top + shift; ++y)
            std::memcpy(at(x, y), at(x, y + shift), bytes);
    }
}

}  // namespace korvel
