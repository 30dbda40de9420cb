// abgen: writes a synthetic PLUVARIC recording (.ab and its .abh index) of simulated rain.

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "abgen_options.h"
#include "io/vector_sink.h"
#include "live_recording.h"
#include "format/recording_writer.h"
#include "pair_commit.h"
#include "progress_meter.h"
#include "rain_recording.h"
#include "rain_simulator.h"
#include "staged_file.h"

namespace {

using korvel::AbgenOptions;

void print_summary(const AbgenOptions& o, const korvel::RecordingWriter& writer,
                   const korvel::RainSimulator& rain, double seconds) {
    const korvel::RecordingStats& s = writer.stats();
    const korvel::RainCounts& c = rain.counts();
    const korvel::RainConfig& r = rain.config();
    const int h = o.start_seconds / 3600, m = o.start_seconds / 60 % 60, sec = o.start_seconds % 60;
    const double mb = static_cast<double>(s.bytes) / 1e6;
    std::printf(
        "Wrote %s (%llu bytes) and its index %s: header version %d, %g lines/s, %d pixels "
        "per line, %04d-%02d-%02d from %02d:%02d:%02d for %g s (lines %lld to %lld). "
        "Camera A: %llu records, %llu lines; camera B: %llu records, %llu lines. "
        "%llu drops (%llu seen by both cameras, %llu by A only, %llu by B only) and %llu noise "
        "pixels. Took %.2f s (%.1f MB/s).\n",
        o.output.c_str(), static_cast<unsigned long long>(s.bytes),
        korvel::index_file_path(o.output).c_str(), o.version, r.line_rate, o.width, o.year, o.month,
        o.day, h, m, sec, o.duration, static_cast<long long>(r.first_line),
        static_cast<long long>(rain.end_line() - 1),
        static_cast<unsigned long long>(s.camera_records[0]),
        static_cast<unsigned long long>(s.camera_lines[0]),
        static_cast<unsigned long long>(s.camera_records[1]),
        static_cast<unsigned long long>(s.camera_lines[1]),
        static_cast<unsigned long long>(c.drops()), static_cast<unsigned long long>(c.drops_both),
        static_cast<unsigned long long>(c.drops_a_only),
        static_cast<unsigned long long>(c.drops_b_only),
        static_cast<unsigned long long>(c.noise_a + c.noise_b), seconds,
        seconds > 0 ? mb / seconds : 0.0);
}

// --live: both files created in place (never over existing ones) and written as time passes.
void generate_live(const AbgenOptions& o) {
    const auto began = std::chrono::steady_clock::now();
    // The same lock as a plain run, held to the end: a plain run into this directory waits
    // until the live recording is finished instead of renaming its pair over the one that
    // is still growing.
    const korvel::DirectoryLock lock(o.output);
    korvel::LiveFile data(o.output);
    std::unique_ptr<korvel::LiveFile> index;
    try {
        index = std::make_unique<korvel::LiveFile>(korvel::index_file_path(o.output));
    } catch (...) {
        std::remove(o.output.c_str());  // only the file this run created
        throw;
    }
    korvel::VectorSink tables;
    const korvel::RecordingHeader header = korvel::header_for(o);
    korvel::RecordingWriter writer(data, tables, header);
    korvel::RainSimulator rain(korvel::rain_for(o, header));
    korvel::write_rain_live(rain, writer, data, tables, *index, o.speed);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    print_summary(o, writer, rain, took.count());
}

void generate(const AbgenOptions& o) {
    const auto began = std::chrono::steady_clock::now();
    const std::string index_path = korvel::index_file_path(o.output);
    // Both files are written beside their targets under temporary names and replace
    // them only once both are complete: a failed run leaves earlier files untouched and
    // removes only what it created itself.
    // Another abgen writing into the same directory finishes first: two runs replacing
    // the same pair at once could leave one run's recording beside the other's index.
    const korvel::DirectoryLock lock(o.output);
    korvel::StagedFile data(o.output);
    korvel::StagedFile index(index_path);
    const korvel::RecordingHeader header = korvel::header_for(o);
    korvel::RecordingWriter writer(data.sink(), index.sink(), header);
    korvel::RainSimulator rain(korvel::rain_for(o, header));
    korvel::ProgressMeter progress(stderr, "abgen", isatty(fileno(stderr)) == 1);
    korvel::write_rain(rain, writer, [&](double done) { progress.update(done); });
    writer.finish();
    progress.finish();
    korvel::commit_pair(data, index);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    print_summary(o, writer, rain, took.count());
}

// Writes the recording one way or the other; a failure, or a report that cannot be written,
// exits 1. The report is all a caller learns about the run: losing it is a failure too.
int run(void (*write)(const AbgenOptions&), const AbgenOptions& o) {
    try {
        write(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "abgen: %s\n", e.what());
        return 1;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "abgen: cannot write the report to standard output: %s\n",
                     std::strerror(errno));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    AbgenOptions options;
    try {
        options = korvel::parse_abgen_options(args);
    } catch (const korvel::UsageError& e) {
        std::fprintf(stderr, "abgen: %s\nTry 'abgen --help'.\n", e.what());
        return 2;
    }
    if (options.help) {
        std::fputs(korvel::abgen_help_text().c_str(), stdout);
        return 0;
    }
    return run(options.live ? generate_live : generate, options);
}
