#include "display/display_view.h"

#include "display/camera_lines.h"
#include "display/match_drawing.h"
#include "display/scale.h"

namespace korvel {

void DisplayView::DrawScale() {
    draw_scale(canvas_, session_.line_width);
}

void DisplayView::DrawCameraLines(Camera camera, int16_t n, const DecodeContext& ctx) {
    ViewPlaybackState& state = playback_state();
    const bool is_a = camera == Camera::A;
    CameraLinesInput in;
    in.line_width = session_.line_width;
    in.scroll_base = is_a ? &state.m_scrollBaseA : &state.m_scrollBaseB;
    in.line_rate = session_.line_rate;
    in.total_lines = is_a ? session_.total_lines_a : session_.total_lines_b;
    in.file_position = is_a ? session_.pos_a : session_.pos_b;
    draw_camera_lines(canvas_, camera, n, ctx, in);
}

void DisplayView::DrawMatch(const Particle* a, const Particle* b, int matched) {
    MatchInput in;
    in.line_width = session_.line_width;
    in.scroll_base = &playback_state().m_scrollBaseSync;
    in.view_switch = &session_.view_switch;
    in.line_rate = session_.line_rate;
    in.pos_a = session_.pos_a;
    draw_match(canvas_, a, b, matched, in);
}

}  // namespace korvel
