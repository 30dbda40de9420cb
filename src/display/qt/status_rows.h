#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "display/frame.h"

namespace korvel {

// Where pixels are written: the first pixel of row 0 and the pixels from one row to the next.
struct PixelRows {
    uint32_t* bits = nullptr;
    ptrdiff_t stride = 0;
    uint32_t* row(int y) const { return bits + static_cast<ptrdiff_t>(y) * stride; }
};

// The status rows a canvas has been asked for and not yet drawn, and the status font's
// characters to draw them with.
//
// Status rows are drawn late. A step of the synchronous view redraws the same three rows for
// each of its hundreds of matching outcomes; a row redrawn in the same rectangle with a text
// at least as long covers the earlier one completely, so only the last one is drawn, when
// anything else is about to touch its pixels or the picture is looked at. The pixels come
// out the same.
class StatusRows {
  public:
    // A row clipped to rect (within the image), its text starting at left, the bottom of its
    // character cells on bottom, in the status font of em height px. Rows it overlaps and
    // does not cover are drawn first.
    void add(const DeviceRect& rect, int left, int bottom, int px, const std::string& text,
             PixelRows pixels);
    // Draws every pending row, or those that overlap area.
    void flush(PixelRows pixels);
    void flush_touching(const DeviceRect& area, PixelRows pixels);
    bool empty() const { return pending_.empty(); }
    // Forgets the pending rows (the picture is cleared anyway).
    void clear() { pending_.clear(); }

  private:
    // The status font's characters, each drawn once on its grey cell: a status row is then
    // a row of cell copies, which costs far less than shaping and drawing the text anew for
    // each of the many rows a step of the synchronous view draws.
    struct Cells {
        int px = 0;  // em height they were drawn at
        int width = 0;
        int height = 0;
        QImage strip;  // the cells of characters 32 to 126 side by side
    };
    struct PendingRow {
        DeviceRect rect;  // within the image
        int left = 0;     // where the text starts (the rectangle's left edge)
        int bottom = 0;   // the rectangle's lower edge, on which the cells stand
        int px = 0;
        std::string text;
    };

    const Cells& cells(int px);
    void draw(const PendingRow& row, PixelRows pixels);

    Cells cells_;
    std::vector<PendingRow> pending_;
};

}  // namespace korvel
