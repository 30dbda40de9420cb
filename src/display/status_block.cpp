#include "display/status_block.h"

#include "display/status_text.h"

namespace korvel {
namespace {

constexpr int kRowHeight = 35;
constexpr int kRowLeft = 10;
constexpr int kRowRight = 500;
constexpr int kAsyncTop = 1950;
constexpr int kSyncTop = 1945;

LogicalRect row(int x0, int top, int index) {
    const int high = top - index * kRowHeight;
    return {x0 + kRowLeft, x0 + kRowRight, high - kRowHeight, high};
}

}  // namespace

void draw_async_status(Canvas& canvas, const AsyncStatus& s) {
    const int font = status_font_height(canvas.dpi_y());
    canvas.status_row(row(s.x0, kAsyncTop, 0), line_row(s.line), font);
    canvas.status_row(row(s.x0, kAsyncTop, 1), time_row(s.line, s.line_rate), font);
    canvas.status_row(row(s.x0, kAsyncTop, 2), total_lines_row(s.total_lines), font);
    canvas.status_row(row(s.x0, kAsyncTop, 3), file_position_row(s.file_position), font);
}

void draw_sync_status(Canvas& canvas, const SyncStatus& s) {
    const int font = status_font_height(canvas.dpi_y());
    canvas.status_row(row(0, kSyncTop, 0), line_row(s.line), font);
    canvas.status_row(row(0, kSyncTop, 1), time_row(s.line, s.line_rate), font);
    canvas.status_row(row(0, kSyncTop, 2), file_position_row(s.file_position), font);
}

}  // namespace korvel
