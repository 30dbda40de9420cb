#pragma once

#include "particles/decode_context.h"
#include "particles/particle.h"

namespace korvel {

// The four decisions camera matching takes.
enum class MatchOutcome {
    pair,    // A and B in the window and alike: both removed
    reject,  // both in the window, pair test false: both stay
    drop_a,  // the B walk passed A's window without a partner: A removed (b is null)
    drop_b,  // B starts before A: B removed (a is null)
};

// The decision's name in reports: "pair", "reject", "drop_a", "drop_b".
const char* match_outcome_name(MatchOutcome outcome);

// Told of every decision, before the particles it names are removed. The playback step
// draws it in the synchronous view; headless tools report it in every view.
class MatchSink {
  public:
    virtual ~MatchSink() = default;
    virtual void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) = 0;
};

// Alike in height and width, and B later than A.
bool is_pair(const Particle& a, const Particle& b);

// Pairs old enough camera-A particles (y_first at most newest_a_line - 350) with camera-B
// particles, removing every particle it decides about from its wait queue. sink may be null.
void match_cameras(DecodeContext& ctx, double newest_a_line, MatchSink* sink);

}  // namespace korvel
