#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/line_entry.h"

namespace korvel::mirvan {

// Every decoded scan line of one recording, per camera, in rising line order.
struct ScanLines {
    int line_width = 512;
    double line_rate = 0.0;
    std::vector<LineEntry> a;
    std::vector<LineEntry> b;
    std::string problem;     // why reading stopped early (a damaged record), empty when whole
    bool truncated = false;  // stopped at max_lines_per_camera
};

// Reads the recording at path from its first record to its end and decodes every camera
// record. A damaged record ends the reading: what came before it is kept and problem says
// why. At most max_lines_per_camera lines are kept per camera. Throws FatalError when the
// file cannot be opened or its header is unusable.
ScanLines load_scan_lines(const std::string& path, size_t max_lines_per_camera);

// The lines of one camera whose line numbers lie in [first, first + count): an index range
// into lines.
struct LineRange {
    size_t begin = 0;
    size_t end = 0;
};
LineRange lines_in(const std::vector<LineEntry>& lines, double first, double count);

}  // namespace korvel::mirvan
