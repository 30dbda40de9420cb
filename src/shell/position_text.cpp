#include "shell/position_text.h"

#include <cmath>
#include <cstdio>

namespace korvel {

std::string position_text(double newest_line_a, double line_rate, uint64_t pos_a,
                          uint64_t file_length) {
    char clock[32] = "--:--:--";
    // Before camera A's first line there is no time to show.
    const double seconds =
        line_rate > 0.0 && newest_line_a > 0.0 ? newest_line_a / line_rate : -1.0;
    // A damaged header may give any line rate: show only times within one day.
    if (std::isfinite(seconds) && seconds >= 0.0 && seconds < 86400.0) {
        const long s = static_cast<long>(seconds);
        std::snprintf(clock, sizeof clock, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    }
    double percent = 0.0;
    if (file_length > 0) {
        const uint64_t at = pos_a < file_length ? pos_a : file_length;
        percent = 100.0 * static_cast<double>(at) / static_cast<double>(file_length);
    }
    char text[64];
    std::snprintf(text, sizeof text, "A %s  %5.1f %%", clock, percent);
    return text;
}

}  // namespace korvel
