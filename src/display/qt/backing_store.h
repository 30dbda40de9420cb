#pragma once

#include <QImage>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
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
// The rows that come in are filled late: after a scroll the view paints the top band of the
// area, which covers them, and then filling them first would be work for nothing. Until
// settle() (or a fill that covers them) at and for_each_run see them unfilled.
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
    // Steps a pointer to a stored pixel to the one shown a row lower or higher, within a
    // rectangle whose pixels are stored alike (row_step): the ring's last stored row is
    // followed by its first.
    class RowStep {
      public:
        uint32_t* down(uint32_t* p) const { return p >= last_ ? p - (wrap_ - stride_) : p + stride_; }
        uint32_t* up(uint32_t* p) const { return p < second_ ? p + (wrap_ - stride_) : p - stride_; }

      private:
        friend class BackingStore;
        ptrdiff_t stride_ = 0;
        ptrdiff_t wrap_ = 0;                // the ring's rows, in pixels
        const uint32_t* last_ = nullptr;    // the ring's last stored row starts here...
        const uint32_t* second_ = nullptr;  // ...and its first ends here
    };
    // Whether the pixels of r (within the picture) are stored alike: its rows all in the ring
    // and its columns in one band of it, or its rows all outside the ring. Then a pointer
    // walks r a row at a time with step, and side by side within a row.
    bool row_step(const DeviceRect& r, RowStep& step) const;
    void fill(const DeviceRect& r, uint32_t colour);  // r within the picture
    // Sets the pixels of column x from row top to before bottom (within the picture): a
    // pointer down each stretch of rows stored one below the other, rather than a look-up
    // through the ring for each pixel. The divider and the scale's ticks, every step.
    void fill_column(int x, int top, int bottom, uint32_t colour);
    // About to fill r: the rows a scroll left unfilled are filled first, unless r covers them.
    void prepare_fill(const DeviceRect& r);
    // Fills the rows the last scroll left unfilled.
    void settle() {
        if (incoming_rows_ > 0) fill_incoming();
    }
    // Sets n pixels from p on to colour, four at a time with wide stores, the last four
    // ending on the run's last pixel and overlapping those before: no tail of twos and ones.
    // Most runs are a few dozen pixels long, too short for a call to pay. The four pixels
    // are a vector value, so that the colour stays in a register.
    static void fill_pixels(uint32_t* p, int n, uint32_t colour) {
        using Four = uint32_t __attribute__((vector_size(16)));
        const Four four = {colour, colour, colour, colour};
        if (n >= 4) {
            const int last = n - 4;
            int i = 0;
            for (; i + 4 < last; i += 8) {
                std::memcpy(p + i, &four, sizeof four);
                std::memcpy(p + i + 4, &four, sizeof four);
            }
            if (i < last) std::memcpy(p + i, &four, sizeof four);
            std::memcpy(p + last, &four, sizeof four);
        } else if (n >= 2) {
            std::memcpy(p, &four, 2 * sizeof(uint32_t));
            std::memcpy(p + n - 2, &four, 2 * sizeof(uint32_t));
        } else if (n == 1) {
            *p = colour;
        }
    }

    // Moves the pixels of area (within the picture) down by shift rows: row y shows what row
    // y - shift showed; what leaves the area is lost; the rows [top, top + shift) keep what
    // they showed (once settled).
    void scroll_down(const DeviceRect& area, int shift);

    // Writes the visible pixels of r (within the picture) into out, an image of the same size
    // in Format_RGB32.
    void compose_into(QImage& out, const DeviceRect& r);

    // The stored image, and where its pixels are shown: calls piece(source, x, y) for each
    // rectangle of stored pixels (within stored()) that shows, unturned, at (x, y) and makes
    // up the visible pixels of r (within the picture). A window paints the picture straight
    // from the store this way, with no composed copy in between. Settled first.
    const QImage& stored() const { return image_; }
    template <class Piece>
    void for_each_piece(const DeviceRect& r, Piece&& piece) {
        settle();
        const int ring_bottom = ring_top_ + ring_rows_;
        // Rows above and below the ring are stored as shown.
        const DeviceRect above = intersect(r, DeviceRect{0, 0, width_, ring_top_});
        const DeviceRect below = intersect(r, DeviceRect{0, ring_bottom, width_, height_});
        if (!is_empty(above)) piece(above, above.left, above.top);
        const DeviceRect ring = intersect(r, DeviceRect{0, ring_top_, width_, ring_bottom});
        for (int x = ring.left; !is_empty(ring) && x < ring.right;) {
            const int end = std::min(ring.right, run_end_[static_cast<size_t>(x)]);
            // Visible row y of the band is stored at ring_top_ + (y - ring_top_ + offset)
            // mod ring_rows_: the band's rows from its top to where the stored rows wrap,
            // and the rest.
            const int offset = offset_[static_cast<size_t>(x)];
            const int wrap_at = ring_bottom - offset;  // the first visible row stored at the top
            const int top1 = ring.top, bottom1 = std::min(ring.bottom, wrap_at);
            if (top1 < bottom1) piece(DeviceRect{x, top1 + offset, end, bottom1 + offset}, x, top1);
            const int top2 = std::max(ring.top, wrap_at), bottom2 = ring.bottom;
            if (top2 < bottom2) {
                piece(DeviceRect{x, top2 + offset - ring_rows_, end, bottom2 + offset - ring_rows_},
                      x, top2);
            }
            x = end;
        }
        if (!is_empty(below)) piece(below, below.left, below.top);
    }

  private:
    bool in_ring(int y) const {
        return static_cast<unsigned>(y - ring_top_) < static_cast<unsigned>(ring_rows_);
    }
    // The column after the last of the stretch that holds (x, y) and its neighbours to the
    // right side by side.
    int run_end(int y, int x) const {
        return in_ring(y) ? run_end_[static_cast<size_t>(x)] : width_;
    }
    int row_of(int x, int y) const {
        if (!in_ring(y)) return y;
        int r = y - ring_top_ + offset_[static_cast<size_t>(x)];
        if (r >= ring_rows_) r -= ring_rows_;
        return ring_top_ + r;
    }
    // Makes the ring the rows [top, bottom): stored rows are put where they are shown first.
    void set_ring(int top, int bottom);
    void split_at(int x);                               // x becomes the edge of a band of columns
    void move_rows(const DeviceRect& area, int shift);  // the plain way, row by row
    void fill_incoming();

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
    // The rows [incoming_.top, + incoming_rows_) of the columns of incoming_, still to be
    // given what they showed before the last scroll, which stands incoming_rows_ lower now.
    DeviceRect incoming_;
    int incoming_rows_ = 0;
    std::vector<uint32_t> fill_row_;  // a row of the colour of the last fill
};

}  // namespace korvel
