#pragma once

#include <QImage>

#include "scan_lines.h"

namespace korvel::mirvan {

// One page of a recording as a still picture: camera A on the left and camera B on the
// right, a gap between them, one pixel per camera pixel across and one row per scan line
// down, starting at line number first. Shadowed runs are dark on a light background; rows
// with no line of that camera stay a lighter grey, so gaps in a recording show.
QImage page_picture(const ScanLines& scan, double first, int rows);

inline constexpr int kCameraGap = 8;

}  // namespace korvel::mirvan
