#include "support/recording_canvas.h"

namespace korvel::test {

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

std::string RecordingCanvas::text(LogicalPoint p) {
    return std::to_string(p.x) + "," + std::to_string(p.y);
}

std::string RecordingCanvas::text(const LogicalRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.right) + "," + std::to_string(r.low) +
           "," + std::to_string(r.high);
}

std::string RecordingCanvas::name(Rgb c) {
    const std::pair<Rgb, const char*> names[] = {{kBackground, "bg"}, {kBlack, "black"},
                                                 {kRawGrey, "grey"},  {kRed, "red"},
                                                 {kBlue, "blue"},     {kYellow, "yellow"}};
    for (const auto& [rgb, n] : names) {
        if (rgb == c) return n;
    }
    return "other";
}

}  // namespace korvel::test
