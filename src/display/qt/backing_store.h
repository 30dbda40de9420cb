#pragma once

#include <QImage>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "display/frame.h"

namespace korvel {

// The view's picture in device pixels, kept so that a scroll moves no pixel.
//
// The drawing areas scroll down by a quarter of their height many times a second; moving
// every pixel of a half each time was most of what drawing cost. Here the rows of the
// scrolled area (one band of rows, the same for every drawing area) are a ring: each band of
// columns that scrolls on its own keeps an offset, and the row a pixel of the area is stored
// in is its visible row turned by that offset. A scroll changes the offsets of the columns it
// moves and fills only the rows that come in. Rows outside the ring are stored as shown.
//
// What the picture shows is composed from it (compose_into), only where it changed.
class BackingStore {
  public:
    // A new picture of width x height, every pixel colour, no ring.
    void reset(int width, int height, uint32_t colour);
    int width() const { return width_; }
    int height() const { return height_; }

    // Where the visible pixel (x, y) is stored.
    uint32_t* at(int x, int y) const {
        return bits_ + static_cast<ptrdiff_t>(row_of(x, y)) * stride_ + x;
    }
    // Calls run(pointer, count) for the pixels [x0, x1) of visible row y, one call for each
    // stretch of them stored side by side (one unless the row crosses bands of the ring).
    template <class Run>
    void for_each_run(int y, int x0, int x1, Run&& run) const {
        while (x0 < x1) {
            const int end = std::min(x1, run_end(y, x0));
            run(at(x0, y), end - x0);
            x0 = end;
        }
    }
    void fill(const DeviceRect& r, uint32_t colour);  // r within the picture

    // Moves the pixels of area (within the picture) down by shift rows: row y shows what row
    // y - shift showed; what leaves the area is lost; the rows [top, top + shift) keep what
    // they showed.
    void scroll_down(const DeviceRect& area, int shift);

    // Writes the visible pixels of r (within the picture) into out, an image of the same size
    // in Format_RGB32.
    void compose_into(QImage& out, const DeviceRect& r) const;

  private:
    bool in_ring(int y) const {
        return static_cast<unsigned>(y - ring_top_) < static_cast<unsigned>(ring_rows_);
    }
    // The column after the last of the stretch that holds (x, y) and its neighbours to the
    // right side by side.
    int run_end(int y, int x) const { return in_ring(y) ? run_end_[static_cast<size_t>(x)] : width_; }
    int row_of(int x, int y) const {
        if (!in_ring(y)) return y;
        int r = y - ring_top_ + offset_[static_cast<size_t>(x)];
        if (r >= ring_rows_) r -= ring_rows_;
        return ring_top_ + r;
    }
    // Makes the ring the rows [top, bottom): stored rows are put where they are shown first.
    void set_ring(int top, int bottom);
    void split_at(int x);  // x becomes the edge of a band of columns
    void move_rows(const DeviceRect& area, int shift);  // the plain way, row by row

    QImage image_;
    uint32_t* bits_ = nullptr;
    ptrdiff_t stride_ = 0;  // in pixels
    int width_ = 0;
    int height_ = 0;
    int ring_top_ = 0;
    int ring_rows_ = 0;
    // Per column: its band's offset (0 to ring_rows_ - 1), and the column after its band's
    // last. The bands are few, the columns at most a few thousand.
    std::vector<int> offset_;
    std::vector<int> run_end_;
};

}  // namespace korvel
