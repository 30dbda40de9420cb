#include "particles/assembled_record.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdlib>
#include <cstring>

#include "particles/particle_assembly.h"

namespace korvel {

RecordAssembler::RecordAssembler(Camera camera) : ctx_(std::make_unique<DecodeContext>()) {
    CameraQueue a;
    CameraQueue b;
    init_queues(a, b);
    queue_ = camera == Camera::A ? a : b;
}

int RecordAssembler::assemble(const LineEntry* lines, int16_t n, AssembledParticle* particles,
                              int& particle_count, Segment* segments, uint32_t& segment_count) {
    DecodeContext& ctx = *ctx_;
    ctx.lines = lines;
    ctx.line_count = n;
    // Every record starts on an empty pool searched from its first entry, so the record's
    // k-th allocation is entry k.
    ctx.pool_index = 0;
    assert(ctx.free_entries == kPoolSize && queue_.assign_oldest == nullptr);
    const int64_t before = ctx.allocations;
    [[maybe_unused]] const int64_t frees_before = ctx.frees;
    assemble_lines(ctx, queue_);
    const int64_t taken = ctx.allocations - before;
    // take_assembled replays the record as its allocations alone, all of them first, then
    // frees the discarded entries. That hands out the entries assembly would only if
    // (1) the entry index recorded as a particle's allocation is its rank among the record's
    // allocations: each search found its entry at the first try, and
    // (2) assembly freed nothing before its last allocation: a free in between could give a
    // later allocation that entry in the playback pool (its search wraps round), where
    // take_assembled's allocations cannot find it.
    assert(taken >= kPoolSize || ctx.pool_index == taken);
    assert(taken == 0 || ctx.frees_at_allocation == frees_before);

    for (Particle* p = queue_.assign_oldest; p != nullptr;) {
        Particle* next = p->newer;
        if (taken < kPoolSize) {
            AssembledParticle& out = particles[particle_count++];
            out.y_first = p->y_first;
            out.y_last = p->y_last;
            out.segment_offset = segment_count;
            out.queue_rank = p->queue_rank;
            out.x_min = p->x_min;
            out.x_max = p->x_max;
            out.max_width = p->max_width;
            out.line_count = p->line_count;
            out.allocation = static_cast<int16_t>(p - ctx.pool.data());
            const size_t count = static_cast<size_t>(std::max<int16_t>(p->line_count, 0));
            std::memcpy(segments + segment_count, p->segments, count * sizeof(Segment));
            segment_count += static_cast<uint32_t>(count);
        }
        free_particle(ctx, p);
        p = next;
    }
    queue_.assign_oldest = nullptr;
    queue_.assign_newest = nullptr;
    return taken < kPoolSize ? static_cast<int>(taken) : -1;
}

bool take_assembled(DecodeContext& ctx, CameraQueue& queue, const AssembledRecord& record) {
    if (record.allocations < 0 || record.allocations > ctx.free_entries) return false;
    if (queue.assign_oldest != nullptr) return false;  // assembly starts every record on an empty queue
    // The kept particles come in the order of their allocations (the assign queue keeps
    // the order particles start in), each one of the record's: the walk below pairs them
    // with the allocations in one pass.
    assert(record.kept_count <= record.allocations);
    assert(std::adjacent_find(record.kept, record.kept + record.kept_count,
                              [](const AssembledParticle& a, const AssembledParticle& b) {
                                  return a.allocation >= b.allocation;
                              }) == record.kept + record.kept_count);
    assert(record.kept_count == 0 || (record.kept[0].allocation >= 0 &&
                                      record.kept[record.kept_count - 1].allocation <
                                          record.allocations));
    [[maybe_unused]] const int free_before = ctx.free_entries;
    // All allocations first, as assembly makes them, then the discarded entries freed: a free
    // in between would change the entries the later allocations find.
    std::array<Particle*, kPoolSize> made{};
    for (int i = 0; i < record.allocations; ++i) {
        made[static_cast<size_t>(i)] = allocate_particle(ctx);
        // free_entries counts the entries with owner 0, so each search finds one; a pool
        // where it does not is corrupt.
        if (made[static_cast<size_t>(i)] == nullptr) std::abort();
    }
    int k = 0;
    for (int i = 0; i < record.allocations; ++i) {
        Particle* p = made[static_cast<size_t>(i)];
        if (k >= record.kept_count || record.kept[k].allocation != i) {
            free_particle(ctx, p);
            continue;
        }
        const AssembledParticle& in = record.kept[k++];
        p->owner = queue.assign_letter;
        p->x_min = in.x_min;
        p->x_max = in.x_max;
        p->max_width = in.max_width;
        p->line_count = in.line_count;
        p->y_first = in.y_first;
        p->y_last = in.y_last;
        p->queue_rank = in.queue_rank;
        std::memcpy(p->segments, record.segments + in.segment_offset,
                    static_cast<size_t>(in.line_count) * sizeof(Segment));
        p->older = queue.assign_newest;
        p->newer = nullptr;
        if (queue.assign_newest != nullptr) {
            queue.assign_newest->newer = p;
        } else {
            queue.assign_oldest = p;
        }
        queue.assign_newest = p;
    }
    assert(k == record.kept_count && ctx.free_entries == free_before - record.kept_count);
    return true;
}

}  // namespace korvel
