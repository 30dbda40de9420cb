#include "display/camera_lines.h"

#include <algorithm>

#include "display/layout.h"
#include "display/particle_outline.h"
#include "display/truncation.h"

namespace korvel {
namespace {

constexpr int kJumpMarkerY = 1800;

}  // namespace

void draw_camera_lines(Canvas& canvas, Camera camera, int16_t n, const DecodeContext& ctx,
                       const CameraLinesInput& in) {
    const int w = in.line_width;
    const bool is_a = camera == Camera::A;
    const int offset = is_a ? 0 : w;
    const Rgb colour = is_a ? kRed : kBlue;
    const LogicalRect area = is_a ? layout::area_a(w) : layout::area_b(w);
    const LogicalRect band = layout::top_band(area);
    double& base = *in.scroll_base;
    const int count = std::clamp<int>(n, 0, kMaxLinesPerRecord);
    if (count == 0) return;

    canvas.begin(Frame{w});
    // The particles are walked once for the whole record: each is drawn at most once, at the
    // first line at or after its last one.
    const Particle* cursor = is_a ? ctx.queue_a.assign_oldest : ctx.queue_b.assign_oldest;
    canvas.set_clip(area);
    for (int i = 0; i < count; ++i) {
        const LineEntry& entry = ctx.lines[i];
        const double y = entry.y_count;
        if (y - base > layout::kJumpLimit) {
            canvas.line({offset + 2, kJumpMarkerY}, {offset + w - 1, kJumpMarkerY}, kBlack);
            canvas.scroll_down(layout::kScrollStep);
            canvas.fill_rect(band, kBackground);
            base = y - layout::kJumpRestart;
            canvas.update_window();
        }
        // Once per line, not until the line fits: a line still above the area after the one
        // scroll is clipped away, and the following lines catch up a scroll each.
        if (y - base > layout::kScrollLimit) {
            canvas.scroll_down(layout::kScrollStep);
            canvas.fill_rect(band, kBackground);
            base += layout::kScrollStep;
            canvas.update_window();
        }
        const int height = trunc_to_coordinate(y - base);
        const int segments = std::clamp<int>(entry.segment_count, 0, kMaxSegmentsPerLine);
        LevelLine runs[kMaxSegmentsPerLine];
        for (int j = 0; j < segments; ++j)
            runs[j] = {offset + entry.segments[j].start_x, offset + entry.segments[j].end_x,
                       height};
        if (segments > 0) canvas.level_lines(runs, segments, kRawGrey);
        // The walk stops at the first particle that ends beyond this line, even when newer
        // ones would already qualify.
        while (cursor != nullptr && cursor->y_last <= y) {
            draw_outline(canvas, *cursor, offset, base, colour);
            cursor = cursor->newer;
        }
    }
    canvas.clear_clip();
    draw_async_status(canvas, AsyncStatus{offset, ctx.lines[count - 1].y_count, in.line_rate,
                                          in.total_lines, in.file_position});
    canvas.update_window();
    canvas.end();
}

}  // namespace korvel
