// korvel-replay: replays a PLUVARIC recording headless, step by step as the viewer plays it.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "follow_wait.h"
#include "output_guard.h"
#include "reason_stream.h"
#include "replay_jobs.h"
#include "replay_options.h"
#ifdef KORVEL_REPLAY_SNAPSHOT
#include "snapshot_drawing.h"
#endif

namespace {

// Everything that would make the run useless or harmful, found before anything is replayed.
// Returns the problem or an empty text.
std::string check_before_replay(const korvel::replay::ReplayOptions& o) {
    using korvel::replay::NamedOutput;
    std::vector<NamedOutput> outputs;
    if (!o.minutes_csv.empty()) outputs.push_back({"--minutes", o.minutes_csv});
    if (!o.pairs_csv.empty()) outputs.push_back({"--pairs", o.pairs_csv});
    if (!o.overview_png.empty()) outputs.push_back({"--overview", o.overview_png});
    if (!o.snapshot.empty()) outputs.push_back({"--snapshot", o.snapshot});
    std::string problem = korvel::replay::recording_is_directory(o.files);
    // The events or the summary always go to standard output.
    if (problem.empty()) problem = korvel::replay::output_conflict(outputs, o.files, true);
    for (const NamedOutput& out : outputs) {
        if (problem.empty()) problem = korvel::replay::output_place_problem(out);
    }
    return problem;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    bool help = false;
    const auto options = korvel::replay::parse_replay_options(argc, argv, error, help);
    if (help) {
        std::fputs(korvel::replay::kReplayUsage, stdout);
        return 0;
    }
    if (!options) {
        std::fprintf(stderr, "korvel-replay: %s\n\n%s", error.c_str(),
                     korvel::replay::kReplayUsage);
        return 2;
    }
#ifndef KORVEL_REPLAY_OVERVIEW
    if (!options->overview_png.empty()) {
        std::fputs("korvel-replay: --overview needs the build with Qt; this korvel-replay was "
                   "built without it\n",
                   stderr);
        return 2;
    }
#endif
    if (const std::string problem = check_before_replay(*options); !problem.empty()) {
        std::fprintf(stderr, "korvel-replay: %s\n", problem.c_str());
        return 2;
    }
    // Standard output through a stream that remembers why a write failed.
    korvel::replay::ReasonStream out(STDOUT_FILENO, false);
    static char out_buffer[1 << 20];
    // A follower's reader wants each event as it happens: every line is flushed.
    std::setvbuf(out.get(), out_buffer, options->follow ? _IOLBF : _IOFBF, sizeof out_buffer);
    if (options->follow) korvel::replay::catch_stop_signals();
    int status = 0;
    if (!options->snapshot.empty()) {
#ifdef KORVEL_REPLAY_SNAPSHOT
        status = korvel::replay::run_snapshot_replay(*options, out.get(), stderr);
#else
        std::fputs("korvel-replay: --snapshot needs a build with Qt\n", stderr);
        return 2;
#endif
    } else {
        status = korvel::replay::run_replays(*options, out.get(), stderr);
    }
    // Output that never reached its file (a full disk, a closed pipe) is a failure, whatever
    // the replay found.
    if (const int reason = out.flush(); reason != 0) {
        std::fprintf(stderr, "korvel-replay: cannot write the output: %s\n", std::strerror(reason));
        return 1;
    }
    return status;
}
