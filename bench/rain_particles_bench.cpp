// Particle assembly and camera matching on simulated rain, in the order the playback step
// does them: each camera record assembled and closed (assemble_lines, close_record), then the
// cameras matched (match_cameras). The two parts are timed separately.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "matching/camera_matching.h"
#include "particles/decode_context.h"
#include "particles/particle_assembly.h"
#include "rain_simulator.h"

namespace korvel {
namespace {

using Clock = std::chrono::steady_clock;

struct Record {
    int camera;  // 1 = A, 2 = B
    std::vector<LineEntry> lines;
};

// Two seconds of rain at 10000 lines/s, one record per camera and 50 ms slice.
std::vector<Record> rain_records(double drops_per_second) {
    RainConfig config;
    config.seed = 11;
    config.first_line = 12 * 3600 * 10000;
    config.line_count = 2 * 10000;
    config.drops_per_second = drops_per_second;
    RainSimulator rain(config);
    std::vector<Record> records;
    std::vector<LineEntry> a, b;
    while (rain.next_slice(a, b)) {
        if (!a.empty()) records.push_back({1, a});
        if (!b.empty()) records.push_back({2, b});
    }
    return records;
}

// What one pass over the records measured.
struct Pass {
    double assembly_seconds = 0;
    double matching_seconds = 0;
    int64_t segments = 0;
    int64_t waiting_at_match = 0;  // particles in both wait queues when matching starts
    int64_t matches = 0;
};

int64_t count_waiting(const CameraQueue& q) {
    int64_t n = 0;
    for (const Particle* p = q.wait_oldest; p; p = p->newer) ++n;
    return n;
}

Pass play(const std::vector<Record>& records) {
    auto ctx = std::make_unique<DecodeContext>();
    init_queues(ctx->queue_a, ctx->queue_b);
    Pass pass;
    double newest_a = 0;
    for (const Record& r : records) {
        ctx->line_count = static_cast<int16_t>(r.lines.size());
        std::copy(r.lines.begin(), r.lines.end(), ctx->line_buf.begin());
        for (const LineEntry& l : r.lines) pass.segments += l.segment_count;
        CameraQueue& queue = r.camera == 1 ? ctx->queue_a : ctx->queue_b;

        const auto t0 = Clock::now();
        assemble_lines(*ctx, queue);
        close_record(*ctx, queue);
        const auto t1 = Clock::now();
        pass.assembly_seconds += std::chrono::duration<double>(t1 - t0).count();

        if (r.camera == 1) newest_a = r.lines.back().y_count;
        if (r.camera == 2) {
            pass.waiting_at_match += count_waiting(ctx->queue_a) + count_waiting(ctx->queue_b);
            ++pass.matches;
            const auto t2 = Clock::now();
            match_cameras(*ctx, newest_a, nullptr);
            pass.matching_seconds += std::chrono::duration<double>(Clock::now() - t2).count();
        }
    }
    return pass;
}

void BM_AssembleAndClose(benchmark::State& state) {
    const auto records = rain_records(static_cast<double>(state.range(0)));
    Pass last;
    for (auto _ : state) {
        last = play(records);
        state.SetIterationTime(last.assembly_seconds);
    }
    state.counters["records"] = static_cast<double>(records.size());
    state.counters["segments/s"] = static_cast<double>(last.segments) / last.assembly_seconds;
    state.counters["ns/segment"] = last.assembly_seconds * 1e9 / static_cast<double>(last.segments);
}

void BM_MatchCameras(benchmark::State& state) {
    const auto records = rain_records(static_cast<double>(state.range(0)));
    Pass last;
    for (auto _ : state) {
        last = play(records);
        state.SetIterationTime(last.matching_seconds);
    }
    state.counters["calls"] = static_cast<double>(last.matches);
    state.counters["waiting"] =
        static_cast<double>(last.waiting_at_match) / static_cast<double>(last.matches);
    state.counters["us/call"] = last.matching_seconds * 1e6 / static_cast<double>(last.matches);
}

// Moderate rain (abgen's default), heavy rain, and a downpour that keeps hundreds of
// particles waiting.
BENCHMARK(BM_AssembleAndClose)
    ->ArgName("drops_per_s")
    ->Arg(50)
    ->Arg(1000)
    ->Arg(4000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchCameras)
    ->ArgName("drops_per_s")
    ->Arg(50)
    ->Arg(1000)
    ->Arg(4000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvel
