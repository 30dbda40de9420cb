// A record assembled on a context of its own and then put into the playback pool must leave
// the assign queue and the pool exactly as assembling the same lines in place does.

#include "particles/assembled_record.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "particles/particle_assembly.h"
#include "support/line_builders.h"

namespace korvel {
namespace {

// A playback context whose pool holds the entries busy_every marks (every k-th entry from
// the first; 0: none) as waiting particles, with the search starting at start.
std::unique_ptr<DecodeContext> pool_of(int busy_every, int start) {
    auto ctx = std::make_unique<DecodeContext>();
    init_queues(ctx->queue_a, ctx->queue_b);
    for (int i = 0; i < kPoolSize; ++i) {
        Particle* p = allocate_particle(*ctx);
        if (busy_every == 0 || i % busy_every != 0) free_particle(*ctx, p);
    }
    ctx->pool_index = static_cast<int16_t>(start);
    return ctx;
}

// The assign queue (each particle's entry, values and segments, oldest first), then which
// entries are free and where the next search starts.
std::string state_of(const DecodeContext& ctx, const CameraQueue& queue) {
    std::string out;
    for (const Particle* p = queue.assign_oldest; p != nullptr; p = p->newer) {
        out += std::to_string(p - ctx.pool.data()) + ":" + std::to_string(p->y_first) + "-" +
               std::to_string(p->y_last) + " x" + std::to_string(p->x_min) + "-" +
               std::to_string(p->x_max) + " w" + std::to_string(p->max_width) + " r" +
               std::to_string(p->queue_rank) + " [";
        for (int i = 0; i < p->line_count; ++i) {
            out += std::to_string(p->segments[i].start_x) + "," +
                   std::to_string(p->segments[i].end_x) + " ";
        }
        out += "]\n";
    }
    out += "free ";
    for (const Particle& p : ctx.pool) out += p.owner == 0 ? '.' : '#';
    return out + " next " + std::to_string(ctx.pool_index);
}

TEST(AssembledRecord, LeavesWhatAssemblyInPlaceLeaves) {
    struct Case {
        const char* what;
        int lines, busy_every, start;
        uint32_t seed;
    };
    const std::vector<Case> cases = {
        {"empty pool", 40, 0, 0, 1},
        {"empty pool, the search wrapping round", 40, 0, 280, 2},
        {"every other entry busy", 60, 2, 17, 3},
        {"every third entry busy, from near the end", 60, 3, 295, 4},
        {"400 lines", 400, 5, 123, 5},
        {"one line: every particle discarded", 1, 4, 9, 6},
        {"a full pool: left to assembly in place", 60, 1, 0, 7},
    };
    for (const Case& c : cases) {
        std::mt19937 rng(c.seed);
        test::RandomLineShape shape;
        shape.count = c.lines;
        shape.max_coordinate = 300;
        const std::vector<LineEntry> lines = test::random_lines(rng, shape);
        const auto n = static_cast<int16_t>(lines.size());

        auto in_place = pool_of(c.busy_every, c.start);
        in_place->lines = lines.data();
        in_place->line_count = n;
        assemble_lines(*in_place, in_place->queue_b);

        std::vector<AssembledParticle> particles(kPoolSize);
        std::vector<Segment> segments(lines.size() * kMaxSegmentsPerLine);
        int particle_count = 0;
        uint32_t segment_count = 0;
        RecordAssembler assembler(Camera::B);
        AssembledRecord record;
        record.allocations = assembler.assemble(lines.data(), n, particles.data(),
                                                particle_count, segments.data(), segment_count);
        record.kept = particles.data();
        record.kept_count = particle_count;
        record.segments = segments.data();
        auto ahead = pool_of(c.busy_every, c.start);
        const std::string before = state_of(*ahead, ahead->queue_b);
        const bool fits = record.allocations >= 0 && record.allocations <= ahead->free_entries;
        EXPECT_EQ(take_assembled(*ahead, ahead->queue_b, record), fits) << c.what;
        if (fits) {
            EXPECT_GT(record.allocations, 0) << c.what;
            EXPECT_EQ(state_of(*ahead, ahead->queue_b), state_of(*in_place, in_place->queue_b))
                << c.what;
        } else {
            EXPECT_EQ(state_of(*ahead, ahead->queue_b), before) << c.what << ": changed";
        }
    }
}

}  // namespace
}  // namespace korvel
