#include "replay_options.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <type_traits>

#include "common/number_text.h"

namespace korvel::replay {

const char* const kReplayUsage =
    "usage: korvel-replay [--start HH:MM[:SS]] [--view async|sync|none] [--events]\n"
    "                     [--corrections-dir DIR] [--max-steps N] [--minutes OUT.csv]\n"
    "                     [--pairs OUT.csv]\n"
    "                     [--overview OUT.png | --snapshot OUT.png] [--size WIDTHxHEIGHT]\n"
    "                     [--jobs N] [--threads 1|2] [--follow [--follow-idle SECONDS]]\n"
    "                     [--] FILE.ab...\n"
    "\n"
    "Replays a recording headless, exactly as the viewer plays it: opens FILE.ab and its\n"
    "index FILE.abh, starts at the given time of day (default 00:00:00), and runs the\n"
    "playback steps back to back until both cameras have read the whole file. Several\n"
    "files are replayed independently, their output in the order they are named.\n"
    "\n"
    "  --start HH:MM[:SS]     start time of day, as in the Start Time dialog\n"
    "  --view async|sync|none the view the steps run with (default async); none only reads\n"
    "                         and decodes the records: no particles, no matching, so it\n"
    "                         takes none of --minutes, --pairs, --overview, --snapshot\n"
    "  --events               print every open, record, wait, match and end event as JSON Lines\n"
    "                         (each file's first event, open or fatal, carries its \"file\")\n"
    "  --corrections-dir DIR  where CORRFACT.DAT is looked for (default: current directory)\n"
    "  --max-steps N          stop after N steps\n"
    "  --minutes OUT.csv      write records, lines, particles and matching decisions per\n"
    "                         minute as CSV (with several files, a first column names the file)\n"
    "  --pairs OUT.csv        write every matching decision as a CSV row, in order: the time\n"
    "                         of day, the outcome, both particles and B's lag behind A in\n"
    "                         lines and ms (with several files, a first column names the file)\n"
    "  --overview OUT.png     draw the day's timeline of particles and pairs per minute\n"
    "  --snapshot OUT.png     draw every step as the view does and write the picture it\n"
    "                         shows at the end to OUT.png (needs no display)\n"
    "  --size WIDTHxHEIGHT    the picture's size in pixels, at most 16384 each way (default\n"
    "                         1200x400 for --overview; the view's client size, 1024x768, for\n"
    "                         --snapshot)\n"
    "  --jobs N               replay N files side by side (default: one per core)\n"
    "  --threads 1|2          2 (the default): camera B's records of each file are decoded\n"
    "                         and assembled on a second thread ahead of the steps; 1: the\n"
    "                         steps do all of it themselves. The results are the same\n"
    "  --follow               follow a recording that is still being written, as tail -f\n"
    "                         does: at the end of the data wait for it to grow (measured every\n"
    "                         200 ms); a record cut by the end waits too. Ends when the file\n"
    "                         has not grown for the idle time (then a cut record is the read\n"
    "                         error) or at SIGINT/TERM/HUP, with the summary. One FILE.ab;\n"
    "                         --events lines are flushed as they are written\n"
    "  --follow-idle SECONDS  how long --follow waits for growth (default 10)\n"
    "  --                     ends the options: a FILE.ab may then begin with a dash\n"
    "\n"
    "--overview and --snapshot take one FILE.ab. Outputs are written under a temporary name\n"
    "beside their target and take its place only when complete. Exit status: 0 at the end of\n"
    "the data, 1 after a fatal error (its text on stderr; with several files, behind the\n"
    "file's name, and the other files go on), a file that shrank during the replay or output\n"
    "that could not be written; 2 for bad usage, an output that is an input, another output or\n"
    "standard output, or an output whose directory can't take it (checked before replaying).\n"
    "--follow ends with 0 when the file stopped growing or at SIGINT, SIGTERM or SIGHUP.\n";

namespace {

bool parse_time(const char* text, ReplayOptions& o) {
    // Digits only: sscanf alone would also take signs and blanks.
    for (const char* p = text; *p; ++p) {
        if (*p != ':' && (*p < '0' || *p > '9')) return false;
    }
    int h = 0, m = 0, s = 0, used = 0;
    const int len = static_cast<int>(std::strlen(text));
    const bool full = std::sscanf(text, "%2d:%2d:%2d%n", &h, &m, &s, &used) == 3 && used == len;
    if (!full) {
        s = 0;
        used = 0;
        if (!(std::sscanf(text, "%2d:%2d%n", &h, &m, &used) == 2 && used == len)) return false;
    }
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
    o.start_hour = h;
    o.start_minute = m;
    o.start_second = s;
    return true;
}

// WIDTHxHEIGHT, both whole numbers from 1 to 16384.
bool parse_size(const char* text, ReplayOptions& o) {
    const char* x = std::strchr(text, 'x');
    if (x == nullptr) return false;
    const auto w = parse_whole_number(std::string_view(text, x), 1, 16384);
    const auto h = parse_whole_number(x + 1, 1, 16384);
    if (!w || !h) return false;
    o.snapshot_width = o.overview_width = static_cast<int>(*w);
    o.snapshot_height = o.overview_height = static_cast<int>(*h);
    return true;
}

}  // namespace

std::optional<ReplayOptions> parse_replay_options(int argc, const char* const* argv,
                                                  std::string& error, bool& help) {
    ReplayOptions o;
    help = false;
    bool options_ended = false;
    bool follow_idle_given = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // After "--" every argument is a file name, even one that begins with a dash.
        if (!options_ended && arg == "--") {
            options_ended = true;
            continue;
        }
        if (options_ended) {
            o.files.push_back(arg);
            continue;
        }
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        // An option's whole-number value from low to high; false with the error otherwise.
        auto whole_number = [&](const char* name, uint64_t low, uint64_t high,
                                const std::string& allowed, auto& out) {
            const char* v = value(name);
            if (!v) return false;
            const auto n = parse_whole_number(v, low, high);
            if (!n) {
                error = number_option_error(name, allowed, v);
                return false;
            }
            out = static_cast<std::remove_reference_t<decltype(out)>>(*n);
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            help = true;
            return std::nullopt;
        } else if (arg == "--start") {
            const char* v = value("--start");
            if (!v) return std::nullopt;
            if (!parse_time(v, o)) {
                error =
                    "--start takes a time of day HH:MM or HH:MM:SS, not '" + std::string(v) + "'";
                return std::nullopt;
            }
        } else if (arg == "--view") {
            const char* v = value("--view");
            if (!v) return std::nullopt;
            const std::string mode = v;
            if (mode == "async") {
                o.view = ViewMode::async;
            } else if (mode == "sync") {
                o.view = ViewMode::sync;
            } else if (mode == "none") {
                o.view = ViewMode::none;
            } else {
                error = "--view takes async, sync or none, not '" + mode + "'";
                return std::nullopt;
            }
        } else if (arg == "--events") {
            o.events = true;
        } else if (arg == "--corrections-dir") {
            const char* v = value("--corrections-dir");
            if (!v) return std::nullopt;
            // A directory that is not there is a mistake, not a missing correction file: the
            // replay would silently run without the file the user meant.
            std::error_code ec;
            if (!std::filesystem::is_directory(v, ec)) {
                error = "--corrections-dir names no directory: '" + std::string(v) + "'";
                return std::nullopt;
            }
            o.corrections_dir = v;
        } else if (arg == "--max-steps") {
            if (!whole_number("--max-steps", 0, INT64_MAX, whole_number_range(0, INT64_MAX),
                              o.max_steps)) {
                return std::nullopt;
            }
        } else if (arg == "--minutes" || arg == "--overview" || arg == "--pairs") {
            const char* v = value(arg.c_str());
            if (!v) return std::nullopt;
            if (*v == '\0') {
                error = arg + " needs a file name";
                return std::nullopt;
            }
            (arg == "--minutes" ? o.minutes_csv
             : arg == "--pairs" ? o.pairs_csv
                                : o.overview_png) = v;
        } else if (arg == "--snapshot") {
            const char* v = value("--snapshot");
            if (!v) return std::nullopt;
            if (*v == '\0') {
                error = "--snapshot needs a file name";
                return std::nullopt;
            }
            o.snapshot = v;
        } else if (arg == "--size") {
            const char* v = value("--size");
            if (!v) return std::nullopt;
            if (!parse_size(v, o)) {
                error = "--size takes WIDTHxHEIGHT, each 1 to 16384, not '" + std::string(v) + "'";
                return std::nullopt;
            }
            o.size_given = true;
        } else if (arg == "--jobs") {
            if (!whole_number("--jobs", 1, 1024, whole_number_range(1, 1024), o.jobs)) {
                return std::nullopt;
            }
        } else if (arg == "--threads") {
            if (!whole_number("--threads", 1, 2, "1 or 2", o.threads)) return std::nullopt;
        } else if (arg == "--follow") {
            o.follow = true;
        } else if (arg == "--follow-idle") {
            const char* v = value("--follow-idle");
            if (!v) return std::nullopt;
            const auto seconds = parse_decimal_number(v, 0, 86400);
            if (!seconds) {
                error = number_option_error(
                    "--follow-idle", "seconds above 0 and at most 86400, in digits (2 or 0.5)", v);
                return std::nullopt;
            }
            o.follow_idle = *seconds;
            follow_idle_given = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        } else {
            o.files.push_back(arg);
        }
    }
    if (o.files.empty()) {
        error = "no FILE.ab named";
        return std::nullopt;
    }
    if (!o.overview_png.empty() && !o.snapshot.empty()) {
        error = "--overview and --snapshot are two pictures; ask for one of them";
        return std::nullopt;
    }
    if (!o.overview_png.empty() && o.files.size() > 1) {
        error = "--overview draws one recording; name only one FILE.ab with it";
        return std::nullopt;
    }
    if (!o.snapshot.empty() && o.files.size() > 1) {
        error = "--snapshot draws one recording; name only one FILE.ab with it";
        return std::nullopt;
    }
    if (o.size_given && o.snapshot.empty() && o.overview_png.empty()) {
        error = "--size goes with --snapshot or --overview";
        return std::nullopt;
    }
    // Without a view the steps read and decode the records but hand no line on: no particle is
    // assembled and nothing is matched or drawn. An output made of those would be empty or
    // all zeros and read like a recording without rain.
    if (o.view == ViewMode::none) {
        const struct {
            const std::string& path;
            const char* option;
        } needs_view[] = {{o.pairs_csv, "--pairs"},
                          {o.minutes_csv, "--minutes"},
                          {o.overview_png, "--overview"},
                          {o.snapshot, "--snapshot"}};
        for (const auto& n : needs_view) {
            if (n.path.empty()) continue;
            error = std::string(n.option) +
                    " needs the particles and the matching, which --view none leaves out (it "
                    "only reads and decodes the records); use --view async or sync";
            return std::nullopt;
        }
    }
    if (o.follow && o.files.size() > 1) {
        error = "--follow follows one recording; name only one FILE.ab with it";
        return std::nullopt;
    }
    if (follow_idle_given && !o.follow) {
        error = "--follow-idle goes with --follow";
        return std::nullopt;
    }
    return o;
}

}  // namespace korvel::replay
