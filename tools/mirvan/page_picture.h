#pragma once

#include <QImage>

#include "scan_lines.h"

namespace korvel::mirvan {

// One page of a recording as a still picture: camera A on the left and camera B on the
// right, a gap between them, one pixel per camera pixel across and one row per scan line
// down, starting at line number first. Shadowed runs are dark on white; rows
// with no line of that camera (nothing in the beam) are a faint grey.
QImage page_picture(const ScanLines& scan, double first, int rows);

inline constexpr int kCameraGap = 8;

}  // namespace korvel::mirvan
