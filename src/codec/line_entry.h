#pragma once

#include <array>
#include <cstdint>

namespace korvel {

inline constexpr int kMaxSegmentsPerLine = 6;
inline constexpr int kMaxLinesPerRecord = 2000;

// One run of shadowed pixels, start and end inclusive.
struct Segment {
    int16_t start_x = 0;
    int16_t end_x = 0;
};

// One decoded scan line. y_count counts scan lines since midnight of the recording day; the
// segments beyond segment_count are zero.
struct LineEntry {
    double y_count = 0.0;
    int16_t segment_count = 0;
    std::array<Segment, kMaxSegmentsPerLine> segments{};
};

}  // namespace korvel
