#pragma once

#include <string>
#include <vector>

#include "display/canvas.h"

namespace korvel::test {

// A canvas that writes down every call as a text: "line 10,-5 20,-5 black",
// "fill 0,511,1551,1810 bg", "row 10,500,1915,1950 -32 TEXT", "label 100,-55 100",
// "clip 0,511,10,1810", "unclip", "scroll 250", "update", "begin 512", "end".
class RecordingCanvas : public Canvas {
  public:
    std::vector<std::string> calls;
    int dpi = 96;

    std::vector<std::string> with_prefix(const std::string& prefix) const;
    // The lines drawn in a colour (bg, black, grey, red, blue, yellow) as "x0,y0 x1,y1".
    std::vector<std::string> lines_in(const std::string& colour) const;

    void begin(const Frame& f) override { add("begin " + std::to_string(f.line_width)); }
    void end() override { add("end"); }
    int dpi_y() const override { return dpi; }
    void fill_rect(const LogicalRect& r, Rgb c) override { add("fill " + text(r) + " " + name(c)); }
    void line(LogicalPoint a, LogicalPoint b, Rgb c) override {
        add("line " + text(a) + " " + text(b) + " " + name(c));
    }
    void status_row(const LogicalRect& r, const std::string& s, int h) override {
        add("row " + text(r) + " " + std::to_string(h) + " " + s);
    }
    void scale_label(LogicalPoint at, const std::string& s) override {
        add("label " + text(at) + " " + s);
    }
    void set_clip(const LogicalRect& r) override { add("clip " + text(r)); }
    void clear_clip() override { add("unclip"); }
    void scroll_down(int units) override { add("scroll " + std::to_string(units)); }
    void update_window() override { add("update"); }

  private:
    void add(std::string call) { calls.push_back(std::move(call)); }
    static std::string text(LogicalPoint p);
    static std::string text(const LogicalRect& r);
    static std::string name(Rgb c);
};

}  // namespace korvel::test
