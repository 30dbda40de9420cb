#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "display/frame.h"
#include "display/qt/backing_store.h"
#include "display/qt/dirty_area.h"

namespace korvel {

// The status rows a canvas has been asked for and not yet drawn, the rows on the picture as
// last drawn, and the status font's characters to draw them with.
//
// Status rows are drawn late. A step of the synchronous view redraws the same three rows for
// each of its hundreds of matching outcomes; a row redrawn in the same rectangle with a text
// at least as long covers the earlier one completely, so only the last one is drawn, when
// anything else is about to touch its pixels or the picture is looked at. And a row drawn
// again where nothing else has touched it since gets only the characters that differ from
// what it shows: from one step to the next only the last digits of a line number change.
// The pixels come out the same.
class StatusRows {
  public:
    // A row clipped to rect (within the picture), its text starting at left, the bottom of
    // its character cells on bottom, in the status font of em height px. Rows it overlaps and
    // does not cover are drawn first; what they change is added to changed.
    void add(const DeviceRect& rect, int left, int bottom, int px, const std::string& text,
             BackingStore& store, DirtyArea& changed);
    // Draws every pending row.
    void flush(BackingStore& store, DirtyArea& changed);
    // Something else is about to draw into area: the pending rows there are drawn first, and
    // the rows there are no longer known to show what they were drawn with.
    void touch(const DeviceRect& area, BackingStore& store, DirtyArea& changed) {
        if (overlap(area, bounds_)) touch_rows(area, store, changed);
    }
    bool empty() const { return pending_.empty(); }
    // Forgets every row (the picture is cleared anyway).
    void clear() {
        pending_.clear();
        shown_.clear();
        bounds_ = {};
    }

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
    struct Row {
        DeviceRect rect;  // within the picture
        int left = 0;     // where the text starts (the rectangle's left edge)
        int bottom = 0;   // the rectangle's lower edge, on which the cells stand
        int px = 0;
        std::string text;
        bool same_place(const Row& o) const {
            return rect == o.rect && left == o.left && bottom == o.bottom && px == o.px;
        }
    };

    const Cells& cells(int px);
    void touch_rows(const DeviceRect& area, BackingStore& store, DirtyArea& changed);
    void draw(const Row& row, BackingStore& store, DirtyArea& changed);
    void update_bounds();

    Cells cells_;
    std::vector<Row> pending_;
    // The rows on the picture, each with the characters its cells show, where nothing else
    // has drawn since.
    std::vector<Row> shown_;
    DeviceRect bounds_;  // around every pending and shown row
};

}  // namespace korvel
