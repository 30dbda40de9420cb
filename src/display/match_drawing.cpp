#include "display/match_drawing.h"

#include <algorithm>
#include <cmath>

#include "display/layout.h"
#include "display/particle_outline.h"
#include "display/status_block.h"
#include "display/truncation.h"
#include "playback/view_switch.h"

namespace korvel {
namespace {

constexpr int kJumpMarkerY = 1600;
// After this many scrolls the area holds nothing but background and the divider; further
// scrolls would only move background, so the base is advanced without them.
constexpr int kScrollsThatClearTheArea =
    (layout::kAreaHigh - layout::kAreaLow) / layout::kScrollStep + 1;

// The centre of a particle: the left one of two middle pixels, and half its line count
// (integer division) above its first line. Both are 16-bit values.
LogicalPoint centre(const Particle& p, int offset, double base) {
    const auto x = static_cast<int16_t>(offset + (p.x_min + p.x_max) / 2);
    const auto y = static_cast<int16_t>(trunc_to_int64(p.line_count / 2 + p.y_first - base));
    return {x, y};
}

void draw_divider(Canvas& canvas, int w) {
    canvas.line({w, layout::kDividerLow}, {w, layout::kDividerHigh}, kBlack);
}

// One scroll of the whole area: both top bands are repainted and the divider, which lies
// inside the area here, is drawn again.
void scroll_once(Canvas& canvas, int w) {
    canvas.scroll_down(layout::kScrollStep);
    canvas.fill_rect(layout::top_band(LogicalRect{0, w, 0, 0}), kBackground);
    canvas.fill_rect(layout::top_band(LogicalRect{w + 1, 2 * w - 1, 0, 0}), kBackground);
    canvas.update_window();
}

}  // namespace

void draw_match(Canvas& canvas, const Particle* a, const Particle* b, int matched,
                const MatchInput& in) {
    if (a == nullptr && b == nullptr) return;
    const int w = in.line_width;
    double& base = *in.scroll_base;
    canvas.begin(Frame{w});
    const double pair_height = b != nullptr ? b->y_last : a->y_last;
    const double start_height = a != nullptr ? a->y_first : b->y_first;

    // The first outcome after a switch from the asynchronous view wipes its status blocks.
    if (*in.view_switch == kViewSwitchToSync) {
        canvas.fill_rect({10, w, layout::kAreaHigh, 1945}, kBackground);
        canvas.fill_rect({w + 1, 2 * w, layout::kAreaHigh, 1945}, kBackground);
        canvas.update_window();
        *in.view_switch = kViewSwitchDone;
    }

    canvas.set_clip(layout::area_both(w));
    if (pair_height - base > layout::kJumpLimit) {
        scroll_once(canvas, w);
        draw_divider(canvas, w);
        canvas.line({0, kJumpMarkerY}, {2 * w - 1, kJumpMarkerY}, kBlack);
        base = start_height - layout::kJumpRestart;
    }
    // Repeated until the pair height fits, unlike the asynchronous view's one scroll a line.
    // The count is worked out rather than looped for: with the huge line numbers of a damaged
    // recording, adding 250 to the base may change nothing, and a loop would never end.
    const double excess = pair_height - base - layout::kScrollLimit;
    if (excess > 0) {
        const int64_t scrolls = trunc_to_int64(std::ceil(excess / layout::kScrollStep));
        for (int64_t i = 0; i < std::min<int64_t>(scrolls, kScrollsThatClearTheArea); ++i) {
            scroll_once(canvas, w);
            draw_divider(canvas, w);
        }
        base += static_cast<double>(scrolls) * layout::kScrollStep;
    }

    if (a != nullptr) draw_outline(canvas, *a, 0, base, matched != 0 ? kRed : kRawGrey);
    if (b != nullptr) draw_outline(canvas, *b, w, base, matched != 0 ? kBlue : kRawGrey);
    if (a != nullptr && b != nullptr) {
        canvas.line(centre(*a, 0, base), centre(*b, w, base), matched != 0 ? kYellow : kRawGrey);
        canvas.clear_clip();
        draw_sync_status(canvas, SyncStatus{a->y_first, in.line_rate, in.pos_a});
    } else {
        canvas.clear_clip();
    }
    canvas.update_window();
    canvas.end();
}

}  // namespace korvel
