#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "playback/growth_watch.h"

namespace korvel::replay {

enum class ViewMode { async, sync, none };

struct ReplayOptions {
    int start_hour = 0;
    int start_minute = 0;
    int start_second = 0;
    ViewMode view = ViewMode::async;
    bool events = false;
    std::string corrections_dir;  // empty: the current directory
    int64_t max_steps = -1;       // -1: no limit
    std::string minutes_csv;      // --minutes: where the per-minute statistics go; empty: none
    std::string pairs_csv;        // --pairs: where each matching decision goes as a row; empty: none
    std::string overview_png;     // --overview: where the timeline picture goes; empty: none
    int overview_width = 1200;    // --size WIDTHxHEIGHT of that picture
    int overview_height = 400;
    int jobs = 0;  // --jobs: files replayed side by side; 0: one per core
    int threads = 2;  // --threads: 2 decodes each file's records ahead on a thread of its own
    std::vector<std::string> files;
    std::string snapshot;       // a PNG of the view at the end; empty: none
    int snapshot_width = 1024;  // the view's client size for the snapshot
    int snapshot_height = 768;
    bool size_given = false;
    bool follow = false;        // --follow: wait for the recording to grow, as tail -f does
    // --follow-idle: seconds without growth that end following; the viewer's grace by default.
    double follow_idle = static_cast<double>(kFollowGrace.count());
};

// Parses the command line. Returns nullopt and fills error for bad usage; sets help when
// --help was asked for.
std::optional<ReplayOptions> parse_replay_options(int argc, const char* const* argv,
                                                  std::string& error, bool& help);

extern const char* const kReplayUsage;

}  // namespace korvel::replay
