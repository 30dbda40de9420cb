#include "display/status_block.h"

#include <bit>
#include <string>

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
    // A step draws this block once for each matching decision, mostly for the camera-A
    // particle of the decision before: the texts last formatted are kept with the exact
    // values they came from, and formatted again only when one of those differs.
    struct Texts {
        bool valid = false;
        uint64_t line = 0, line_rate = 0;  // the doubles' bits: equal values, equal texts
        uint32_t file_position = 0;
        std::string rows[3];
    };
    thread_local Texts last;
    const auto line = std::bit_cast<uint64_t>(s.line);
    const auto rate = std::bit_cast<uint64_t>(s.line_rate);
    if (!last.valid || last.line != line || last.line_rate != rate ||
        last.file_position != s.file_position) {
        last.rows[0] = line_row(s.line);
        last.rows[1] = time_row(s.line, s.line_rate);
        last.rows[2] = file_position_row(s.file_position);
        last.line = line;
        last.line_rate = rate;
        last.file_position = s.file_position;
        last.valid = true;
    }
    const int font = status_font_height(canvas.dpi_y());
    for (int i = 0; i < 3; ++i) canvas.status_row(row(0, kSyncTop, i), last.rows[i], font);
}

}  // namespace korvel
