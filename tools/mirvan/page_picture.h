#pragma once

#include <QImage>
#include <vector>

#include "recording_index.h"

namespace korvel::mirvan {

inline constexpr int kCameraGap = 8;
inline constexpr int kMaxCameraWidth = 4096;

// One page of a recording as a still picture: camera A on the left and camera B on the
// right, a gap between them, one pixel per camera pixel across and one row per
// lines_per_row scan lines down, starting at line number first. A row shows the shadows of
// all its lines together. Shadowed runs are dark on white; a row with no line of that camera
// (nothing in the beam) is a faint grey.
class PagePainter {
  public:
    PagePainter(int line_width, double first, int rows, int lines_per_row);
    void add(Camera camera, const LineEntry& line);
    const QImage& image() const { return image_; }

  private:
    int width_;
    double first_;
    int rows_;
    int lines_per_row_;
    QImage image_;
    std::vector<bool> row_has_line_[2];
};

// The page of the index's recording that starts at line first; read tells what was drawn.
QImage page_picture(RecordingIndex& index, double first, int rows, int lines_per_row,
                    PageRead& read);

}  // namespace korvel::mirvan
