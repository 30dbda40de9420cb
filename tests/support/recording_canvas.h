#pragma once

#include <string>
#include <vector>

#include "display/canvas.h"

namespace korvel::test {

// A canvas that writes down every call, one text per call:
//   "line 10,-5 20,-5 black", "fill 0,511,1551,1810 bg", "row 10,500,1915,1950 -32 TEXT",
//   "label 100,-55 100", "clip 0,511,10,1810", "unclip", "scroll 250", "update",
//   "begin 512", "end". Colours by their names in the drawing (bg, black, grey, red, ...).
class RecordingCanvas : public Canvas {
  public:
    std::vector<std::string> calls;
    int dpi = 96;

    // The calls that start with prefix, in order.
    std::vector<std::string> with_prefix(const std::string& prefix) const;
    // The lines drawn in colour, as "x0,y0 x1,y1".
    std::vector<std::string> lines_in(const std::string& colour) const;
    void clear() { calls.clear(); }

    void begin(const Frame& frame) override;
    void end() override;
    int dpi_y() const override { return dpi; }
    void fill_rect(const LogicalRect& rect, Rgb colour) override;
    void line(LogicalPoint from, LogicalPoint to, Rgb colour) override;
    void status_row(const LogicalRect& rect, const std::string& text, int font_height) override;
    void scale_label(LogicalPoint at, const std::string& text) override;
    void set_clip(const LogicalRect& rect) override;
    void clear_clip() override;
    void scroll_down(int units) override;
    void update_window() override;
};

std::string colour_name(Rgb c);

}  // namespace korvel::test
