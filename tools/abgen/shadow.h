#pragma once

#include <cmath>
#include <cstdint>

namespace korvel {

// The shadow one particle casts on one camera: an ellipse `height` lines tall and `width`
// pixels wide around center_x, beginning at line first_line. A drop is roughly round, so its
// shadow is widest in the middle line and narrows to a pixel or two at top and bottom.
struct Shadow {
    int64_t first_line = 0;
    int32_t height = 1;     // lines
    double width = 1.0;     // pixels, at the widest line
    double center_x = 0.0;  // pixel position of the centre

    int64_t last_line() const { return first_line + height - 1; }

    // The shadowed pixels of row j (0 <= j < height), inclusive; never empty.
    void row(int64_t j, int32_t& start, int32_t& end) const {
        const double v = (2.0 * static_cast<double>(j) + 1.0) / height - 1.0;
        const double half = 0.5 * width * std::sqrt(1.0 - v * v);
        start = round_pixel(center_x - half);
        end = round_pixel(center_x + half) - 1;
        if (end < start) end = start;
    }

  private:
    // Rounds to the nearest pixel (halves up) without a library call: this runs for every
    // shadow on every line. Shadows lie on the line, so x is never below -kOffset.
    static int32_t round_pixel(double x) {
        constexpr double kOffset = 65536.0;
        return static_cast<int32_t>(x + kOffset + 0.5) - static_cast<int32_t>(kOffset);
    }
};

}  // namespace korvel
