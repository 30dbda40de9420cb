#include "queue_checks.h"

#include <functional>

#include "fuzz_require.h"

namespace korvel::fuzz {
namespace {

bool in_pool(const DecodeContext& ctx, const Particle* p) {
    const std::less<const Particle*> before;
    return !before(p, ctx.pool.data()) && before(p, ctx.pool.data() + ctx.pool.size());
}

// Walks one doubly linked list from its oldest end and back from its newest end; returns its
// length.
int check_list(const DecodeContext& ctx, const Particle* oldest, const Particle* newest,
               char letter) {
    require((oldest == nullptr) == (newest == nullptr), "a list is empty at both ends or neither");
    int forward = 0;
    const Particle* last = nullptr;
    for (const Particle* p = oldest; p != nullptr; p = p->newer) {
        require(in_pool(ctx, p), "a listed particle is a pool entry");
        require(p->owner == letter, "a listed particle carries its list's letter");
        require(p->older == last, "each link has its mirror");
        require(++forward <= kPoolSize, "a list is not a cycle");
        last = p;
    }
    require(last == newest, "walking newer from the oldest end reaches the newest end");
    int backward = 0;
    last = nullptr;
    for (const Particle* p = newest; p != nullptr; p = p->older) {
        require(p->newer == last, "each link has its mirror, walking back");
        require(++backward <= kPoolSize, "a list is not a cycle, walking back");
        last = p;
    }
    require(last == oldest && backward == forward, "both walks see the same particles");
    return forward;
}

}  // namespace

void check_waiting_particle(const Particle& p) {
    require(p.line_count >= 1 && p.line_count <= kMaxParticleLines,
            "a waiting particle has 1 to 600 lines");
    require(p.x_min <= p.x_max, "a waiting particle's x_min is not right of its x_max");
    require(p.segments != nullptr, "a waiting particle has its segments");
    require(p.overflow == 0, "an overflowed particle never waits");
    require(p.y_first <= p.y_last || p.y_first != p.y_first, "a particle ends after it starts");
}

void check_queues(const DecodeContext& ctx, bool between_steps) {
    int listed = 0;
    for (const CameraQueue* q : {&ctx.queue_a, &ctx.queue_b}) {
        const int assigned = check_list(ctx, q->assign_oldest, q->assign_newest, q->assign_letter);
        const int waiting = check_list(ctx, q->wait_oldest, q->wait_newest, q->wait_letter);
        if (between_steps) {
            require(assigned == 0, "no particle stays in an assign queue after a step");
            for (const Particle* p = q->wait_oldest; p != nullptr; p = p->newer) {
                check_waiting_particle(*p);
            }
        }
        listed += assigned + waiting;
    }
    int taken = 0;
    for (const Particle& p : ctx.pool) taken += p.owner != 0 ? 1 : 0;
    require(taken == listed, "every particle taken from the pool is in a list");
    require(ctx.free_entries == kPoolSize - taken, "the pool counts its free entries right");
}

}  // namespace korvel::fuzz
