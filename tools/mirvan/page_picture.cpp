#include "page_picture.h"

#include <algorithm>
#include <cmath>

namespace korvel::mirvan {
namespace {

constexpr QRgb kNoLine = 0xfff0f0f0;
constexpr QRgb kLine = 0xffffffff;
constexpr QRgb kShadow = 0xff202020;
constexpr QRgb kGap = 0xff6080a0;

void draw_camera(QImage& img, int x0, int width, const std::vector<LineEntry>& lines, double first,
                 int rows) {
    for (int y = 0; y < rows; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        std::fill(row + x0, row + x0 + width, kNoLine);
    }
    const LineRange range = lines_in(lines, first, rows);
    for (size_t i = range.begin; i < range.end; ++i) {
        const LineEntry& line = lines[i];
        const int y = static_cast<int>(std::floor(line.y_count - first));
        if (y < 0 || y >= rows) continue;
        QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y)) + x0;
        std::fill(row, row + width, kLine);
        const int segments = std::clamp<int>(line.segment_count, 0, kMaxSegmentsPerLine);
        for (int s = 0; s < segments; ++s) {
            // Positions come from the file: keep every run inside the camera's width.
            const int from = std::max<int>(0, line.segments[static_cast<size_t>(s)].start_x);
            const int to = std::min<int>(width - 1, line.segments[static_cast<size_t>(s)].end_x);
            if (from <= to) std::fill(row + from, row + to + 1, kShadow);
        }
    }
}

}  // namespace

QImage page_picture(const ScanLines& scan, double first, int rows) {
    const int width = std::clamp(scan.line_width, 1, 4096);
    rows = std::max(rows, 1);
    QImage img(2 * width + kCameraGap, rows, QImage::Format_RGB32);
    img.fill(kGap);
    draw_camera(img, 0, width, scan.a, first, rows);
    draw_camera(img, width + kCameraGap, width, scan.b, first, rows);
    return img;
}

}  // namespace korvel::mirvan
