#pragma once

namespace korvel {

// Keeps playback at the recording's own pace: one second of recording per second of real
// time, the line rate turning seconds into scan lines. Camera A's newest line is the
// recording's clock. The pace is anchored at the line and the moment of its first question
// and is anchored afresh when following it makes no sense: after a pause (no question for a
// while, so the time that passed was not playing time), when the lines run backward (another
// file) and when they jump far ahead (a gap in the recording is passed over, not waited out).
// The time is given by the caller, in seconds of any steady clock.
class RealTimePace {
  public:
    // Whether one more step may run now: camera A's newest line has not passed the line that
    // the time since the anchor allows.
    bool wants_step(double newest_line, double line_rate, double now_seconds);

  private:
    void anchor(double line, double now_seconds);

    bool anchored_ = false;
    double anchor_line_ = 0.0;
    double anchor_seconds_ = 0.0;
    double last_question_ = 0.0;
};

}  // namespace korvel
