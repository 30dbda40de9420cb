// korvel-replay: replays a PLUVARIC recording headless, step by step as the viewer plays it.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "follow_wait.h"
#include "replay_jobs.h"
#include "replay_options.h"
#ifdef KORVEL_REPLAY_SNAPSHOT
#include "snapshot_drawing.h"
#endif

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
    static char out_buffer[1 << 20];
    // A follower's reader wants each event as it happens: every line is flushed.
    std::setvbuf(stdout, out_buffer, options->follow ? _IOLBF : _IOFBF, sizeof out_buffer);
    if (options->follow) korvel::replay::catch_stop_signals();
    int status = 0;
    if (!options->snapshot.empty()) {
#ifdef KORVEL_REPLAY_SNAPSHOT
        status = korvel::replay::run_snapshot_replay(*options, stdout, stderr);
#else
        std::fputs("korvel-replay: --snapshot needs a build with Qt\n", stderr);
        return 2;
#endif
    } else {
        status = korvel::replay::run_replays(*options, stdout, stderr);
    }
    // Output that never reached its file (a full disk, a closed pipe) is a failure, whatever
    // the replay found.
    const bool flushed = std::fflush(stdout) == 0;
    const int reason = errno;
    if (!flushed || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "korvel-replay: cannot write the output: %s\n",
                     flushed ? "write error" : std::strerror(reason));
        return 1;
    }
    return status;
}
