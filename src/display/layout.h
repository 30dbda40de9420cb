#pragma once

#include "display/frame.h"

namespace korvel {

// Where things stand in the logical frame, for a camera line width W.
namespace layout {

inline constexpr int kAreaLow = 10;  // drawing areas: y 10 to 1810
inline constexpr int kAreaHigh = 1810;
inline constexpr int kBandLow = 1551;      // the top band cleared after a scroll
inline constexpr int kScrollStep = 250;    // lines a drawing area moves down per scroll
inline constexpr int kScrollLimit = 1800;  // a line above this height scrolls the area
inline constexpr int kJumpLimit = 3600;    // a line this far above the base restarts it
inline constexpr int kJumpRestart = 1650;  // ...drawing the line that jumped this high
inline constexpr int kDividerLow = -60;
inline constexpr int kDividerHigh = 2020;

// Camera A's half (the left one) and camera B's half.
inline LogicalRect area_a(int w) {
    return {0, w - 1, kAreaLow, kAreaHigh};
}
inline LogicalRect area_b(int w) {
    return {w + 1, 2 * w - 1, kAreaLow, kAreaHigh};
}
// Both halves and the divider, the synchronous view's area.
inline LogicalRect area_both(int w) {
    return {0, 2 * w - 1, kAreaLow, kAreaHigh};
}

inline LogicalRect top_band(const LogicalRect& area) {
    return {area.left, area.right, kBandLow, kAreaHigh};
}

}  // namespace layout
}  // namespace korvel
