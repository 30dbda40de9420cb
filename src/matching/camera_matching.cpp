#include "matching/camera_matching.h"

#include <cmath>
#include <cstdlib>

#include "particles/particle_assembly.h"

namespace korvel {

namespace {

// A camera-B particle is a candidate for a camera-A particle if it starts no earlier than it
// and at most this many lines after it.
constexpr double kWindowLines = 350.0;

// Heights may differ by a few lines, widths by a factor of one and a half either way. The
// lower bound is the single-precision value nearest to two thirds, so that 2 against 3 passes
// just as 3 against 2 does.
constexpr int kMaxLineCountDifference = 5;
constexpr float kMaxWidthRatio = 1.5f;
constexpr float kMinWidthRatio = 0.6666667f;

enum class Window { late, early, candidate };

Window compare_window(double a, double b) {
    if (b - kWindowLines > a) return Window::late;
    if (a > b) return Window::early;
    return Window::candidate;
}

void tell(MatchSink* sink, const Particle* a, const Particle* b, MatchOutcome outcome) {
    if (sink != nullptr) sink->on_match(a, b, outcome);
}

}  // namespace

const char* match_outcome_name(MatchOutcome outcome) {
    switch (outcome) {
        case MatchOutcome::pair:
            return "pair";
        case MatchOutcome::reject:
            return "reject";
        case MatchOutcome::drop_a:
            return "drop_a";
        case MatchOutcome::drop_b:
            return "drop_b";
    }
    return "?";
}

bool is_pair(const Particle& a, const Particle& b) {
    if (std::abs(a.line_count - b.line_count) > kMaxLineCountDifference) return false;

    // A B particle without width has no ratio (infinite or not a number): never a pair.
    if (b.max_width == 0) return false;
    const float ratio = static_cast<float>(a.max_width) / static_cast<float>(b.max_width);
    if (ratio > kMaxWidthRatio || ratio < kMinWidthRatio) return false;

    // B must lie later than A: the start and end distances, each cut to whole lines toward
    // zero, must add up to more than nothing. Kept in double so no distance can overflow.
    const double d = std::trunc(b.y_first - a.y_first) + std::trunc(b.y_last - a.y_last);
    return d > 0.0;
}

void match_cameras(DecodeContext& ctx, double newest_a_line, MatchSink* sink) {
    CameraQueue& qa = ctx.queue_a;
    CameraQueue& qb = ctx.queue_b;

    Particle* a = qa.wait_oldest;
    while (a != nullptr) {
        Particle* next_a = a->newer;
        // A particle younger than the window may still get a partner from records of B not
        // read yet; so may every newer one.
        if (newest_a_line - kWindowLines < a->y_first) return;
        if (qb.wait_oldest == nullptr) return;

        Particle* b = qb.wait_oldest;
        while (b != nullptr) {
            Particle* next_b = b->newer;
            const Window w = compare_window(a->y_first, b->y_first);
            if (w == Window::early) {
                // Every older A has already been held against this B: it has no partner.
                tell(sink, nullptr, b, MatchOutcome::drop_b);
                remove_waiting(ctx, b, qb);
            } else if (w == Window::late) {
                tell(sink, a, nullptr, MatchOutcome::drop_a);
                remove_waiting(ctx, a, qa);
                break;
            } else if (is_pair(*a, *b)) {
                tell(sink, a, b, MatchOutcome::pair);
                remove_waiting(ctx, a, qa);
                remove_waiting(ctx, b, qb);
                break;
            } else {
                tell(sink, a, b, MatchOutcome::reject);
            }
            b = next_b;
        }
        a = next_a;
    }
}

}  // namespace korvel
