#pragma once

#include <cstdint>
#include <memory>

#include "codec/line_entry.h"
#include "particles/decode_context.h"
#include "particles/particle.h"

namespace korvel {

// A particle of a record assembled ahead: its values, where its segments stand, and which of
// the record's pool allocations it was (0: the first).
struct AssembledParticle {
    double y_first = 0.0;
    double y_last = 0.0;
    uint32_t segment_offset = 0;  // into the record's segment array
    int32_t queue_rank = 0;
    int16_t x_min = 0;
    int16_t x_max = 0;
    int16_t max_width = 0;
    int16_t line_count = 0;
    int16_t allocation = 0;
};

// What assemble_lines makes of one record when the record's particles are all it holds:
// the assign queue starts empty at every record, so that is a function of the record's lines
// alone, as long as no allocation finds the pool full.
struct AssembledRecord {
    int allocations = 0;  // pool entries assembly takes, the discarded particles' among them
    const AssembledParticle* kept = nullptr;  // the particles that stay, oldest first
    int kept_count = 0;
    const Segment* segments = nullptr;
};

// Assembles records on a context of its own, as a camera's records are assembled during
// playback, and writes out what stays.
class RecordAssembler {
  public:
    explicit RecordAssembler(Camera camera);

    // Assembles the n lines. On success appends the kept particles to particles and their
    // segments to segments (advancing both counts) and returns the allocations it took; -1
    // when the record takes a whole pool, where the playback pool could not hold it anyway.
    // particles needs room for kPoolSize more, segments for n * kMaxSegmentsPerLine more.
    int assemble(const LineEntry* lines, int16_t n, AssembledParticle* particles,
                 int& particle_count, Segment* segments, uint32_t& segment_count);

  private:
    std::unique_ptr<DecodeContext> ctx_;
    CameraQueue queue_;
};

// Puts a record assembled ahead into the camera's assign queue, exactly as assemble_lines on
// the same lines would leave it and the pool: the same allocations in the same order, the
// discarded particles' entries freed. Returns false, changing nothing, when the pool has
// fewer free entries than the record takes: then some allocation would fail, and only
// assembling the lines in place tells which runs are dropped.
bool take_assembled(DecodeContext& ctx, CameraQueue& queue, const AssembledRecord& record);

}  // namespace korvel
