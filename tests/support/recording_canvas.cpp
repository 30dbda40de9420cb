#include "support/recording_canvas.h"

namespace korvel::test {
namespace {

std::string point(LogicalPoint p) {
    return std::to_string(p.x) + "," + std::to_string(p.y);
}

std::string rect_text(const LogicalRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.right) + "," + std::to_string(r.low) +
           "," + std::to_string(r.high);
}

}  // namespace

std::string colour_name(Rgb c) {
    if (c == kBackground) return "bg";
    if (c == kBlack) return "black";
    if (c == kRawGrey) return "grey";
    if (c == kRed) return "red";
    if (c == kBlue) return "blue";
    if (c == kYellow) return "yellow";
    return std::to_string(c.r) + "/" + std::to_string(c.g) + "/" + std::to_string(c.b);
}

std::vector<std::string> RecordingCanvas::with_prefix(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& c : calls) {
        if (c.rfind(prefix, 0) == 0) out.push_back(c);
    }
    return out;
}

std::vector<std::string> RecordingCanvas::lines_in(const std::string& colour) const {
    std::vector<std::string> out;
    const std::string tail = " " + colour;
    for (const std::string& c : with_prefix("line ")) {
        if (c.size() > tail.size() && c.compare(c.size() - tail.size(), tail.size(), tail) == 0)
            out.push_back(c.substr(5, c.size() - 5 - tail.size()));
    }
    return out;
}

void RecordingCanvas::begin(const Frame& frame) {
    calls.push_back("begin " + std::to_string(frame.line_width));
}
void RecordingCanvas::end() {
    calls.push_back("end");
}
void RecordingCanvas::fill_rect(const LogicalRect& rect, Rgb colour) {
    calls.push_back("fill " + rect_text(rect) + " " + colour_name(colour));
}
void RecordingCanvas::line(LogicalPoint from, LogicalPoint to, Rgb colour) {
    calls.push_back("line " + point(from) + " " + point(to) + " " + colour_name(colour));
}
void RecordingCanvas::status_row(const LogicalRect& rect, const std::string& text,
                                 int font_height) {
    calls.push_back("row " + rect_text(rect) + " " + std::to_string(font_height) + " " + text);
}
void RecordingCanvas::scale_label(LogicalPoint at, const std::string& text) {
    calls.push_back("label " + point(at) + " " + text);
}
void RecordingCanvas::set_clip(const LogicalRect& rect) {
    calls.push_back("clip " + rect_text(rect));
}
void RecordingCanvas::clear_clip() {
    calls.push_back("unclip");
}
void RecordingCanvas::scroll_down(int units) {
    calls.push_back("scroll " + std::to_string(units));
}
void RecordingCanvas::update_window() {
    calls.push_back("update");
}

}  // namespace korvel::test
