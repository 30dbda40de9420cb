#pragma once

#include <cstdint>
#include <string>

#include "codec/line_entry.h"
#include "display/frame.h"

namespace korvel {

// A colour as the drawing names it, 8 bits per channel.
struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBackground{192, 192, 192};  // the client area and the status text cells
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRawGrey{128, 128, 128};  // raw segments and every undecided drawing
inline constexpr Rgb kRed{255, 0, 0};          // camera A particles
inline constexpr Rgb kBlue{0, 0, 255};         // camera B particles
inline constexpr Rgb kYellow{255, 255, 0};     // the connector of a matched pair

// A line at one height y from x0 to x1, the end point left out: line({x0, y}, {x1, y}).
// No default values: batches of them are arrays on the stack, filled before they are read,
// and clearing one of 64 for each particle drawn showed in the profile.
struct LevelLine {
    int x0;
    int x1;
    int y;
};

// The surface a view draws on, in the logical coordinates of the frame (x one camera pixel,
// y one scan line, growing upward). Every drawing call opens with begin and closes with end,
// as a drawing context on the window would be opened and released; the frame is derived from
// the surface's size of that moment.
class Canvas {
  public:
    virtual ~Canvas() = default;

    virtual void begin(const Frame& frame) = 0;
    virtual void end() = 0;

    // Vertical dots per inch of the surface; the status font's height is derived from it.
    virtual int dpi_y() const = 0;

    // Fills a rectangle, whatever the clip rectangle (what repainting a band of the window
    // with the background does).
    virtual void fill_rect(const LogicalRect& rect, Rgb colour) = 0;
    // A solid line one device pixel wide; the end point itself is not painted, so a line
    // whose ends map to the same pixel paints nothing. Clipped to the clip rectangle.
    virtual void line(LogicalPoint from, LogicalPoint to, Rgb colour) = 0;
    // The lines one after the other, as line draws each: the segments of a particle or of a
    // scan line in one call, for the hundreds of thousands a second a fast replay draws.
    virtual void level_lines(const LevelLine* lines, int count, Rgb colour) {
        for (int i = 0; i < count; ++i)
            line({lines[i].x0, lines[i].y}, {lines[i].x1, lines[i].y}, colour);
    }
    // A particle's rows: segment k from offset + start_x to offset + end_x at height
    // first_y + k, as level_lines draws them. The synchronous view draws a particle's outline
    // for each decision it takes part in; a canvas may take the segments as they are stored.
    virtual void particle_rows(int first_y, const Segment* segments, int count, int offset,
                               Rgb colour) {
        LevelLine batch[64];
        for (int done = 0; done < count;) {
            int n = 0;
            for (; n < 64 && done < count; ++n, ++done) {
                batch[n] = {offset + segments[done].start_x, offset + segments[done].end_x,
                            first_y + done};
            }
            level_lines(batch, n, colour);
        }
    }
    // One status row: text left-aligned in rect with the bottom of its character cell on
    // the rectangle's lower edge, clipped to rect, in black on opaque background-grey cells.
    // font_height is the status font's height as the platform takes it; negative, as the
    // status font asks for it, it is the character (em) height.
    virtual void status_row(const LogicalRect& rect, const std::string& text, int font_height) = 0;
    // A scale label: centred on at.x, bottom of its cell at at.y, no background, in the
    // italic scale font of cell height kScaleFontCellHeight.
    virtual void scale_label(LogicalPoint at, const std::string& text) = 0;

    virtual void set_clip(const LogicalRect& rect) = 0;
    virtual void clear_clip() = 0;
    // Moves the pixels inside the clip rectangle down by the device height of units logical
    // units; what leaves the rectangle is lost, the uncovered strip keeps its old pixels.
    virtual void scroll_down(int units) = 0;

    // Asks the window to show what has been drawn.
    virtual void update_window() = 0;
};

inline constexpr int kScaleFontCellHeight = 45;

}  // namespace korvel
