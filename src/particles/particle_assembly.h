#pragma once

#include "particles/decode_context.h"
#include "particles/particle.h"

namespace korvel {

// Sets the queues' cameras and letters ('1'/'V' for A, '2'/'W' for B) and empties all four
// lists.
void init_queues(CameraQueue& a, CameraQueue& b);

// How a run finds the particle it continues. kMerge walks the runs of the line above beside
// the line's runs wherever the line numbers allow it, and searches the whole assign queue
// elsewhere; kFullSearch searches the queue for every run, the reference kMerge is held to.
enum class RunSearch { kMerge, kFullSearch };

// Joins the runs of the context's record (line_count lines at lines) into particles in the
// camera's assign queue, then discards overflowed, one-pixel-wide and one-line-tall ones.
void assemble_lines(DecodeContext& ctx, CameraQueue& queue, RunSearch search = RunSearch::kMerge);

// Told of every particle that close_record moves to a wait queue, and whose camera it is.
class WaitSink {
  public:
    virtual ~WaitSink() = default;
    virtual void on_wait(Camera camera, const Particle& p) = 0;
};

// Checks the assign queue's order, splices it whole onto the newest end of the wait queue
// (the particles keep their segments as assembled), then checks the wait queue's order.
// Tells sink (if given) of every particle moved, oldest first, after the assign-queue check
// and before the wait-queue check.
void close_record(DecodeContext& ctx, CameraQueue& queue, WaitSink* sink = nullptr);

// Unlinks a particle from the queue's wait queue and frees it.
void remove_waiting(DecodeContext& ctx, Particle* p, CameraQueue& queue);

// Pool operations: a free entry with a fresh 600-segment array, or null when none is free.
Particle* allocate_particle(DecodeContext& ctx);
void free_particle(DecodeContext& ctx, Particle* p);

}  // namespace korvel
