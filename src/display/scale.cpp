#include "display/scale.h"

#include <string>

#include "display/layout.h"

namespace korvel {
namespace {

constexpr int kAxisY = -5;
constexpr int kShortTickY = -10;
constexpr int kLongTickY = -20;
constexpr int kLabelBottomY = -55;

}  // namespace

std::vector<ScaleTick> scale_ticks(int w) {
    std::vector<ScaleTick> ticks;
    // A plain int counter: a 16-bit one would wrap below w - 1 for the widest lines and
    // never end.
    for (int x = 10; x < w - 1; x += 10) ticks.push_back({x, x % 100 == 0});
    return ticks;
}

void draw_scale(Canvas& canvas, int w) {
    canvas.begin(Frame{w});
    canvas.line({0, kAxisY}, {2 * w - 1, kAxisY}, kBlack);
    const std::vector<ScaleTick> ticks = scale_ticks(w);
    for (const int offset : {0, w}) {
        for (const ScaleTick& t : ticks) {
            const int x = offset + t.x;
            canvas.line({x, kAxisY}, {x, t.labelled ? kLongTickY : kShortTickY}, kBlack);
            if (t.labelled) canvas.scale_label({x, kLabelBottomY}, std::to_string(t.x));
        }
    }
    canvas.line({w, layout::kDividerLow}, {w, layout::kDividerHigh}, kBlack);
    canvas.end();
}

}  // namespace korvel
