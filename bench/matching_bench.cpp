// Camera matching with hundreds of particles waiting, as in heavy rain.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "matching/camera_matching.h"
#include "particles/decode_context.h"
#include "particles/particle_assembly.h"

namespace korvel {
namespace {

struct Shape {
    double y_first;
    int16_t line_count, max_width;
};

void push_waiting(DecodeContext& ctx, CameraQueue& q, const Shape& s) {
    Particle* p = allocate_particle(ctx);
    if (p == nullptr) return;
    p->y_first = s.y_first;
    p->y_last = s.y_first + s.line_count - 1;
    p->line_count = s.line_count;
    p->max_width = s.max_width;
    p->owner = q.wait_letter;
    p->older = q.wait_newest;
    if (q.wait_newest != nullptr) {
        q.wait_newest->newer = p;
    } else {
        q.wait_oldest = p;
    }
    q.wait_newest = p;
}

// Drops seen by camera A every few lines; most are seen by B 20 to 200 lines later with a
// slightly different shape, some are missed by B, and B sees some of its own. `partners`
// false makes every B too wide for every A, so each A walks all of B's window: the worst case.
void make_rain(int per_camera, bool partners, std::vector<Shape>& a, std::vector<Shape>& b) {
    std::mt19937 rng(11);
    auto uni = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    double y = 50000.0;
    for (int i = 0; i < per_camera; ++i) {
        y += uni(0, 6);
        const auto lc = static_cast<int16_t>(uni(3, 30));
        const auto w = static_cast<int16_t>(uni(2, 12));
        a.push_back({y, lc, w});
        if (!partners) {
            b.push_back({y + uni(1, 300), lc, static_cast<int16_t>(w * 3)});
        } else if (uni(0, 9) < 8) {
            b.push_back({y + uni(20, 200), static_cast<int16_t>(lc + uni(-3, 3)),
                         static_cast<int16_t>(w + uni(-1, 1))});
        } else {
            b.push_back({y + uni(0, 300), static_cast<int16_t>(uni(3, 30)),
                         static_cast<int16_t>(uni(2, 12))});
        }
    }
    std::sort(b.begin(), b.end(),
              [](const Shape& l, const Shape& r) { return l.y_first < r.y_first; });
}

// range(0): particles waiting per camera; range(1): 1 realistic, 0 no partner anywhere.
void BM_MatchCameras(benchmark::State& state) {
    auto ctx = std::make_unique<DecodeContext>();
    std::vector<Shape> a, b;
    make_rain(static_cast<int>(state.range(0)), state.range(1) != 0, a, b);
    const double newest_a = a.back().y_first + 1000.0;  // every A particle old enough
    int64_t decided = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ctx = std::make_unique<DecodeContext>();
        init_queues(ctx->queue_a, ctx->queue_b);
        for (const Shape& s : a) push_waiting(*ctx, ctx->queue_a, s);
        for (const Shape& s : b) push_waiting(*ctx, ctx->queue_b, s);
        state.ResumeTiming();
        match_cameras(*ctx, newest_a, nullptr);
        decided = 0;
        for (const Particle& p : ctx->pool) decided += p.owner == 0;
    }
    state.counters["waiting"] = static_cast<double>(a.size() + b.size());
    state.counters["freed"] = static_cast<double>(decided - (kPoolSize - a.size() - b.size()));
}
BENCHMARK(BM_MatchCameras)->Args({140, 1})->Args({140, 0})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvel
