#include "playback/real_time_pace.h"

namespace korvel {
namespace {

// Longer than this without a question, playback was paused.
constexpr double kPauseSeconds = 1.0;
// Lines further ahead than this many seconds of recording are a gap, not a fast step.
constexpr double kGapSeconds = 10.0;

}  // namespace

void RealTimePace::anchor(double line, double now_seconds) {
    anchored_ = true;
    anchor_line_ = line;
    anchor_seconds_ = now_seconds;
}

bool RealTimePace::wants_step(double newest_line, double line_rate, double now_seconds) {
    // Without a usable rate there is no recording time to keep to: one step a question.
    if (!(line_rate > 0.0)) {
        anchored_ = false;
        return true;
    }
    const bool paused = now_seconds - last_question_ > kPauseSeconds;
    last_question_ = now_seconds;
    if (!anchored_ || paused || newest_line < anchor_line_) {
        anchor(newest_line, now_seconds);
        return true;
    }
    const double allowed = anchor_line_ + (now_seconds - anchor_seconds_) * line_rate;
    if (newest_line > allowed + kGapSeconds * line_rate) {
        anchor(newest_line, now_seconds);
        return false;
    }
    return newest_line <= allowed;
}

}  // namespace korvel
