#include <cstddef>
#include <cstdlib>
#include <functional>

#include "particles/particle_assembly.h"

namespace korvel {

namespace {

// A pointer handed to free_particle that is not one of the pool's entries means the lists are
// corrupt; carrying on would free foreign memory. Stop at once, in every build type.
void require_pool_entry(const DecodeContext& ctx, const Particle* p) {
    const std::less<const Particle*> before;
    const Particle* first = ctx.pool.data();
    const Particle* end = first + ctx.pool.size();
    if (p == nullptr || before(p, first) || !before(p, end)) std::abort();
}

}  // namespace

// The search starts where the last one stopped, so that freed entries are reused in turn
// rather than the low entries over and over.
Particle* allocate_particle(DecodeContext& ctx) {
    // A search of a full pool tries all 300 entries and leaves the rotating index where it
    // started, so it can be skipped. In a downpour the pool stays full for long stretches, and
    // every run that would start a particle would otherwise pay the whole search.
    if (ctx.free_entries <= 0) return nullptr;
    for (int tries = 0; tries < kPoolSize; ++tries) {
        int index = ctx.pool_index;
        if (index < 0 || index >= kPoolSize) index = 0;
        ctx.pool_index = static_cast<int16_t>((index + 1) % kPoolSize);
        Particle& p = ctx.pool[static_cast<size_t>(index)];
        if (p.owner != 0) continue;

        // The entry's own segment array: room for its longest possible run of lines.
        p = Particle{};
        p.segments = ctx.segment_store.get() + static_cast<size_t>(index) * kMaxParticleLines;
        p.owner = 1;
        --ctx.free_entries;
        ++ctx.allocations;
        ctx.frees_at_allocation = ctx.frees;
        return &p;
    }
    return nullptr;
}

void free_particle(DecodeContext& ctx, Particle* p) {
    require_pool_entry(ctx, p);
    if (p->owner != 0) {
        ++ctx.free_entries;
        ++ctx.frees;
    }
    p->owner = 0;
    p->older = nullptr;
    p->newer = nullptr;
    p->segments = nullptr;
}

}  // namespace korvel
