// Assembly of heavy-rain records: assemble_lines followed by close_record, the work the
// playback step does for every camera record.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "particles/decode_context.h"
#include "particles/particle_assembly.h"

namespace korvel {
namespace {

struct Drop {
    double y_first;
    int center, radius, height;
};

// Scan lines of heavy rain on a 512-pixel line: drops arrive so that about `crowd` are in
// view at once, each an ellipse 2..14 pixels wide and as many lines tall as its speed makes
// it. Runs of drops that overlap on a line merge, as the camera would see them; at most six
// runs are kept per line, as a line can hold.
std::vector<LineEntry> heavy_rain(int line_count, int crowd, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<Drop> drops;
    std::vector<LineEntry> lines(static_cast<size_t>(line_count));
    std::uniform_int_distribution<int> center(10, 500), radius(1, 7), stretch(2, 6);
    std::bernoulli_distribution arrives(std::min(1.0, crowd / 14.0));
    for (int i = 0; i < line_count; ++i) {
        const double y = 100000.0 + i;
        if (arrives(rng)) {
            const int r = radius(rng);
            drops.push_back({y, center(rng), r, 2 * r * stretch(rng) / 2});
        }
        std::vector<Segment> runs;
        for (const Drop& d : drops) {
            const double t = (y - d.y_first) / d.height * 2.0 - 1.0;  // -1 .. 1 over the drop
            if (t > 1.0) continue;
            const int half = static_cast<int>(d.radius * std::sqrt(std::max(0.0, 1.0 - t * t)));
            runs.push_back(
                {static_cast<int16_t>(d.center - half), static_cast<int16_t>(d.center + half)});
        }
        std::erase_if(drops, [&](const Drop& d) { return y - d.y_first >= d.height; });
        std::sort(runs.begin(), runs.end(),
                  [](Segment a, Segment b) { return a.start_x < b.start_x; });
        LineEntry& line = lines[static_cast<size_t>(i)];
        line.y_count = y;
        for (const Segment& s : runs) {
            if (line.segment_count > 0 &&
                s.start_x <= line.segments[line.segment_count - 1].end_x + 1) {
                auto& last = line.segments[line.segment_count - 1];
                last.end_x = std::max(last.end_x, s.end_x);
            } else if (line.segment_count < kMaxSegmentsPerLine) {
                line.segments[line.segment_count++] = s;
            }
        }
    }
    return lines;
}

// range(0): lines in the record; range(1): drops in view at once.
void BM_AssembleRecord(benchmark::State& state) {
    auto ctx = std::make_unique<DecodeContext>();
    init_queues(ctx->queue_a, ctx->queue_b);
    const auto lines =
        heavy_rain(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 7);
    std::copy(lines.begin(), lines.end(), ctx->line_buf.begin());
    ctx->line_count = static_cast<int16_t>(lines.size());
    int64_t segments = 0;
    for (const LineEntry& l : lines) segments += l.segment_count;

    int64_t waiting = 0;
    for (auto _ : state) {
        assemble_lines(*ctx, ctx->queue_a);
        close_record(*ctx, ctx->queue_a);
        // Matching would free them in time; here the wait queue is emptied for the next round.
        waiting = 0;
        while (ctx->queue_a.wait_oldest != nullptr) {
            remove_waiting(*ctx, ctx->queue_a.wait_oldest, ctx->queue_a);
            ++waiting;
        }
    }
    state.counters["particles"] = static_cast<double>(waiting);
    state.counters["segments"] = static_cast<double>(segments);
    state.SetItemsProcessed(state.iterations() * segments);
}
BENCHMARK(BM_AssembleRecord)
    ->Args({200, 8})
    ->Args({2000, 8})
    ->Args({2000, 30})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvel
