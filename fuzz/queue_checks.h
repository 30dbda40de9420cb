#pragma once

#include "particles/decode_context.h"
#include "particles/particle.h"

namespace korvel::fuzz {

// A particle as it may wait for matching: 1 to 600 lines, x_min <= x_max, its segments
// allocated, and not overflowed.
void check_waiting_particle(const Particle& p);

// Walks both lists of both cameras in both directions: every link has its mirror, each walk
// ends at the other end within the pool's size, every particle is a pool entry carrying its
// list's letter, and every particle the pool holds as taken is in one of the lists. When
// between_steps is set the assign lists must be empty (each record's particles have moved on)
// and every waiting particle is checked too.
void check_queues(const DecodeContext& ctx, bool between_steps);

}  // namespace korvel::fuzz
