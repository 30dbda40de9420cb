#include "page_picture.h"

#include <algorithm>
#include <cmath>

namespace korvel::mirvan {
namespace {

constexpr QRgb kNoLine = 0xfff0f0f0;
constexpr QRgb kLine = 0xffffffff;
constexpr QRgb kShadow = 0xff202020;
constexpr QRgb kGap = 0xff6080a0;

}  // namespace

PagePainter::PagePainter(int line_width, double first, int rows, int lines_per_row)
    : width_(std::clamp(line_width, 1, kMaxCameraWidth)),
      first_(first),
      rows_(std::max(rows, 1)),
      lines_per_row_(std::max(lines_per_row, 1)),
      image_(2 * width_ + kCameraGap, rows_, QImage::Format_RGB32) {
    image_.fill(kGap);
    for (int y = 0; y < rows_; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(row, row + width_, kNoLine);
        std::fill(row + width_ + kCameraGap, row + 2 * width_ + kCameraGap, kNoLine);
    }
    for (auto& rows_seen : row_has_line_) rows_seen.assign(static_cast<size_t>(rows_), false);
}

void PagePainter::add(Camera camera, const LineEntry& line) {
    const double at = std::floor((line.y_count - first_) / lines_per_row_);
    if (!(at >= 0.0 && at < rows_)) return;
    const int y = static_cast<int>(at);
    const int x0 = camera == Camera::A ? 0 : width_ + kCameraGap;
    QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y)) + x0;
    std::vector<bool>& seen = row_has_line_[camera_index(camera)];
    if (!seen[static_cast<size_t>(y)]) {
        std::fill(row, row + width_, kLine);
        seen[static_cast<size_t>(y)] = true;
    }
    const int segments = std::clamp<int>(line.segment_count, 0, kMaxSegmentsPerLine);
    for (int s = 0; s < segments; ++s) {
        // Positions come from the file: keep every run inside the camera's width.
        const int from = std::max<int>(0, line.segments[static_cast<size_t>(s)].start_x);
        const int to = std::min<int>(width_ - 1, line.segments[static_cast<size_t>(s)].end_x);
        if (from <= to) std::fill(row + from, row + to + 1, kShadow);
    }
}

QImage page_picture(RecordingIndex& index, double first, int rows, int lines_per_row,
                    PageRead& read) {
    PagePainter painter(index.header().line_width, first, rows, lines_per_row);
    read =
        index.read_page(first, static_cast<double>(std::max(rows, 1)) * std::max(lines_per_row, 1),
                        [&](Camera c, const LineEntry& line) { painter.add(c, line); });
    return painter.image();
}

}  // namespace korvel::mirvan
