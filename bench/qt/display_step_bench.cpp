// The playback step with its drawing, on the Qt canvas offscreen at 1920 x 1080, on heavy
// simulated rain (1000 drops a second), in the asynchronous and the synchronous view. Each
// benchmark iteration plays the whole recording from its Open; the counters give the median
// and the worst single step, which must stay far below the 200 ms tick, and the mean.
// The second argument is the steps of a tick: after them the changes are taken for the
// window's repaint, as the window does once a tick. 1 is normal speed; 200 is about a tick
// at "max".
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "abgen_options.h"
#include "commands/open_file.h"
#include "display/display_view.h"
#include "display/qt/qt_canvas.h"
#include "format/index_file.h"
#include "format/recording_writer.h"
#include "io/memory_file_opener.h"
#include "io/vector_sink.h"
#include "playback/player.h"
#include "rain_recording.h"

namespace korvel {
namespace {

using Clock = std::chrono::steady_clock;

// The thread's own processor time in ms: on a machine shared with other work the wall time
// of a step also counts the time other processes had the core.
double cpu_ms() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double median(std::vector<double>& v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

const char* const kPath = "/bench/rain.ab";

class BenchUser : public UserInteraction {
  public:
    bool choose_file(std::string& p, std::string& t) override {
        p = t = kPath;
        return true;
    }
    bool choose_start_time(int& h, int& m, int& s) override {
        h = 12;
        m = s = 0;
        return true;
    }
    void show_message(const std::string&) override {}
    void report_file_error(const std::string&) override {}
    void add_recent_file(const std::string&) override {}
    void set_title(const std::string&) override {}
    void repaint_views() override {}
    CivilDate local_today() override { return CivilDate{2001, 6, 7}; }
};

// Ten seconds of heavy rain from 12:00, made once.
MemoryFileOpener& heavy_rain() {
    static MemoryFileOpener opener = [] {
        const std::vector<std::string> args = {
            "--start", "12:00:00", "--duration", "10", "--drops-per-second", "1000", "-o", kPath};
        const AbgenOptions o = parse_abgen_options(args);
        VectorSink data, index;
        const RecordingHeader header = header_for(o);
        RecordingWriter writer(data, index, header);
        RainSimulator rain(rain_for(o, header));
        write_rain(rain, writer);
        writer.finish();
        MemoryFileOpener m;
        m.add(kPath, data.take());
        m.add(index_file_path(kPath), index.take());
        return m;
    }();
    return opener;
}

void BM_StepWithDrawing(benchmark::State& state) {
    const bool sync = state.range(0) == 1;
    const auto steps_per_tick = static_cast<size_t>(state.range(1));
    std::vector<double> step_ms, step_cpu_ms;
    double total_ms = 0;
    for (auto _ : state) {
        // The steps alone, decoding in place: the figures are those of one core's work.
        Player player;
        player.set_decode_ahead(false);
        PlaybackSession& session = player.session();
        apply_start_up(session, "/bench", "");
        session.async_view = sync ? 0 : 1;
        session.sync_view = sync ? 1 : 0;
        Document doc;
        BenchUser user;
        open_file(session, doc, user, heavy_rain());
        session.playback_running = 1;
        QtCanvas canvas;
        canvas.resize(QSize(1920, 1080));
        DisplayView view(session, canvas);
        const uint64_t length = session.data_file->length();
        while (session.pos_a < length || session.pos_b < length) {
            const auto t0 = Clock::now();
            const double c0 = cpu_ms();
            player.step(view, doc);
            // What the window does after a tick: the picture completed and the rectangles it
            // changed taken, for the repaint, which copies them from the store to the screen.
            if ((step_ms.size() + 1) % steps_per_tick == 0) {
                benchmark::DoNotOptimize(canvas.take_changed());
            }
            step_cpu_ms.push_back(cpu_ms() - c0);
            step_ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            total_ms += step_ms.back();
        }
        benchmark::DoNotOptimize(canvas.image().constBits());
    }
    state.counters["steps"] = static_cast<double>(step_ms.size()) / state.iterations();
    state.counters["median_ms"] = median(step_ms);
    state.counters["worst_ms"] = step_ms.back();
    state.counters["mean_ms"] = total_ms / static_cast<double>(step_ms.size());
    state.counters["median_cpu_ms"] = median(step_cpu_ms);
    state.counters["worst_cpu_ms"] = step_cpu_ms.back();
    state.SetLabel(std::string(sync ? "sync view" : "async view") +
                   (steps_per_tick == 1 ? ", a tick a step" : ", max speed"));
}
BENCHMARK(BM_StepWithDrawing)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 200})
    ->Args({1, 200})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace korvel

// The canvas draws text, which needs a Qt application; offscreen, so no display is needed.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
