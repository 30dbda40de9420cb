// Decoding of camera records, the work the playback step does for every record it reads:
// the records of a few megabytes of simulated rain, decoded one after another.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "codec/line_decoder.h"
#include "format/raw_record.h"
#include "format/record_reader.h"
#include "format/recording_writer.h"
#include "io/memory_source.h"
#include "io/vector_sink.h"
#include "particles/decode_context.h"
#include "rain_recording.h"
#include "rain_simulator.h"

namespace korvel {
namespace {

struct Payloads {
    std::vector<std::vector<uint8_t>> records;
    int64_t bytes = 0;
    int64_t lines = 0;
};

// A recording made in memory by the simulator, read back through the record reader; the
// payloads of its camera records are what is decoded.
Payloads camera_payloads(int16_t version, double drops_per_second) {
    RecordingHeader header;
    header.version = version;
    header.line_rate = 10000.0;
    header.rate_divisor = 119;
    header.start_time = 991915200;
    RainConfig rain_config;
    rain_config.seed = 5;
    rain_config.line_rate = effective_line_rate(header);
    rain_config.first_line = 12 * 3600 * 10000;
    rain_config.line_count = 120 * 10000;
    rain_config.drops_per_second = drops_per_second;

    VectorSink data;
    VectorSink index;
    RecordingWriter writer(data, index, header);
    RainSimulator rain(rain_config);
    write_rain(rain, writer);
    writer.finish();

    MemorySource source(data.take());
    auto rec = std::make_unique<RawRecord>();
    Payloads out;
    uint32_t pos = 0;
    read_record(source, pos, *rec);  // the header
    while (pos < source.length()) {
        read_record(source, pos, *rec);
        out.records.emplace_back(rec->payload.begin(), rec->payload.begin() + rec->cmpr_n);
        out.bytes += rec->cmpr_n;
    }
    return out;
}

void BM_DecodeRecords(benchmark::State& state) {
    const auto version = static_cast<int16_t>(state.range(0));
    const Payloads payloads = camera_payloads(version, static_cast<double>(state.range(1)));
    auto ctx = std::make_unique<DecodeContext>();
    int64_t lines = 0;
    for (auto _ : state) {
        for (const auto& p : payloads.records) {
            int16_t count = 0;
            const int result = decode_record(version, p.data(), static_cast<int>(p.size()),
                                             ctx->line_buf.data(), count);
            benchmark::DoNotOptimize(result);
            lines += count;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * payloads.bytes);
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
    state.counters["MB"] = static_cast<double>(payloads.bytes) / 1e6;
}

// Header versions 1 (u32 line numbers) and 2 (f64); moderate rain and a downpour.
BENCHMARK(BM_DecodeRecords)
    ->ArgNames({"version", "drops_per_s"})
    ->Args({1, 400})
    ->Args({2, 400})
    ->Args({2, 3000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvel
