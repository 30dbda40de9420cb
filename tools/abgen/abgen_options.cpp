#include "abgen_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <type_traits>

#include "common/number_text.h"

#include "live_recording.h"

namespace korvel {

namespace {

constexpr int kSecondsPerDay = 86400;
constexpr double kMaxLineRate = 1e6;
constexpr double kMaxDropsPerSecond = 1e6;
constexpr double kMaxDropsPerLine = 4.0;
constexpr double kMaxLiveSpeed = 1e6;
// The most work one run may ask for (see check_work): about two minutes of simulation.
constexpr double kMaxDrops = 5e7;
constexpr double kMaxShadowLines = 2e9;
constexpr double kMeanDropWidth = 13.0;  // pixels: the smallest drop, 3, and 10 on average above

// Whole numbers in digits alone, as every program takes them (see common/number_text.h);
// the others as from_chars reads them.
template <typename T>
T parse_number(const std::string& name, const std::string& text) {
    if constexpr (std::is_integral_v<T>) {
        constexpr auto most = static_cast<uint64_t>(std::numeric_limits<T>::max());
        const auto value = parse_whole_number(text, 0, most);
        if (!value) throw UsageError(number_option_error(name, whole_number_range(0, most), text));
        return static_cast<T>(*value);
    } else {
        T value{};
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, value);
        if (ec != std::errc() || ptr != end || text.empty())
            throw UsageError(name + ": not a valid number: '" + text + "'");
        return value;
    }
}

double parse_positive(const std::string& name, const std::string& text, double most) {
    const double v = parse_number<double>(name, text);
    if (!(v > 0.0 && v <= most)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, " must be above 0 and at most %g", most);
        throw UsageError(name + buf);
    }
    return v;
}

// Splits "a<sep>b<sep>c" into three unsigned numbers; anything else (a sign, a blank, a
// missing field) is rejected with the whole value in the message.
void parse_triple(const std::string& name, const std::string& text, char sep, const char* form,
                  int& a, int& b, int& c) {
    const std::string bad = name + " takes " + form + ", not '" + text + "'";
    const size_t p1 = text.find(sep);
    const size_t p2 = p1 == std::string::npos ? p1 : text.find(sep, p1 + 1);
    if (p2 == std::string::npos || text.find(sep, p2 + 1) != std::string::npos)
        throw UsageError(bad);
    const std::string fields[] = {text.substr(0, p1), text.substr(p1 + 1, p2 - p1 - 1),
                                  text.substr(p2 + 1)};
    int* values[] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i) {
        const std::string& f = fields[i];
        if (f.empty() || f.size() > 4 || f.find_first_not_of("0123456789") != std::string::npos)
            throw UsageError(bad);
        *values[i] = std::stoi(f);
    }
}

bool is_leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int days_in_month(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && is_leap(y) ? 29 : kDays[m - 1];
}

// The last line number a version can store: versions 0 and 1 keep a block's first line
// number as u32, version 2 as a double, exact for whole numbers up to 2^53.
double last_storable_line(int16_t version) {
    return version == 2 ? 9007199254740992.0 : 4294967295.0;
}

// The work a run may ask for. The simulation's time goes into the drops and into the scan
// lines their shadows cover, which grow with the line rate (a shadow is a drop's width
// stretched by the rate, 2 to 400 lines tall): without a bound a legal-looking command line
// (a million drops a second for a day) asks for days of work.
void check_work(const AbgenOptions& o, const RainConfig& rain) {
    const double drops = o.drops_per_second * o.duration;
    const double mean_height = std::clamp(kMeanDropWidth * 1.6 * rain.line_rate / 10000.0, 2.0, 400.0);
    const double shadow_lines = drops * mean_height;
    char text[256];
    if (drops > kMaxDrops) {
        std::snprintf(text, sizeof text,
                      "--drops-per-second x --duration asks for %.0f drops; abgen simulates at "
                      "most %.0f in one run",
                      drops, kMaxDrops);
        throw UsageError(text);
    }
    if (shadow_lines > kMaxShadowLines) {
        std::snprintf(text, sizeof text,
                      "these options ask for about %.0f shadowed scan lines (%.0f drops, each "
                      "about %.0f lines tall at %g lines/s); abgen simulates at most %.0f in one "
                      "run: lower --drops-per-second, --duration or --line-rate",
                      shadow_lines, drops, mean_height, rain.line_rate, kMaxShadowLines);
        throw UsageError(text);
    }
}

// A live run waits for each slice of the rain until its time has come, the last at
// --duration / --speed seconds: a wait the clock cannot hold would be no wait at all.
void check_speed(const AbgenOptions& o) {
    if (o.duration / o.speed <= kLongestLiveSeconds) return;
    // The slowest speed allowed, rounded up to three digits so that the value shown passes.
    const double slowest = o.duration / kLongestLiveSeconds;
    const double unit = std::pow(10.0, std::floor(std::log10(slowest)) - 2);
    char text[256];
    std::snprintf(text, sizeof text,
                  "--speed %g would make the %g s of rain last %g s; a live run waits at most "
                  "%.0f s (about 31 years): use --speed %g or more",
                  o.speed, o.duration, o.duration / o.speed, kLongestLiveSeconds,
                  std::ceil(slowest / unit) * unit);
    throw UsageError(text);
}

void check(const AbgenOptions& o) {
    if (o.output.size() <= 3 || o.output.compare(o.output.size() - 3, 3, ".ab") != 0)
        throw UsageError("-o must name a file ending in .ab (the index goes beside it as .abh)");
    if (o.version == 0) {
        const double divisor = std::round(kRateClock / o.line_rate);
        if (divisor < 1 || divisor > 32767) {
            // The slowest rate whose divisor still rounds to 32767, up to the next hundredth.
            const double slowest = std::ceil(kRateClock / 32767.5 * 100.0) / 100.0;
            char text[160];
            std::snprintf(text, sizeof text,
                          "--line-rate: version 0 stores 1193180 / line rate in 16 bits; use a "
                          "rate from %.2f to %.0f lines/s",
                          slowest, kMaxLineRate);
            throw UsageError(text);
        }
    }
    if (o.version != 2 && o.width != 512)
        throw UsageError("--width: versions 0 and 1 always mean 512 pixels; use --version 2");
    if (o.width < 16 || o.width > 4096 || o.width % 2 != 0)
        throw UsageError("--width must be even, from 16 to 4096");
    if (o.start_seconds + o.duration > kSecondsPerDay)
        throw UsageError("--start plus --duration must stay within the day (24:00:00)");
    // The header stores the start time as signed 32-bit seconds since 1970, which reach from
    // 1901-12-13 20:45:52 to 2038-01-19 03:14:07 UTC. Every time of day fits on the days from
    // 1901-12-14 to 2038-01-18, and exactly those are allowed, whatever --start says.
    const int64_t day = days_from_civil(o.year, o.month, o.day);
    if (day < days_from_civil(1901, 12, 14) || day > days_from_civil(2038, 1, 18)) {
        char text[128];
        std::snprintf(text, sizeof text,
                      "--date must lie from 1901-12-14 to 2038-01-18 (the header stores the "
                      "start time in 32 bits), not %04d-%02d-%02d",
                      o.year, o.month, o.day);
        throw UsageError(text);
    }
    const RecordingHeader header = header_for(o);
    if (lines_per_minute(header) < 1) throw UsageError("--line-rate: below one line per minute");
    // Beyond a few drops a scan line every line is dark all over, and the simulator would
    // spend its time on shadows hidden under others (a million drops a second at two lines a
    // second never finishes).
    if (o.drops_per_second > kMaxDropsPerLine * effective_line_rate(header)) {
        char text[256];
        if (o.drops_given) {
            std::snprintf(text, sizeof text,
                          "--drops-per-second: at most %g drops per scan line, that is %g at %g "
                          "lines/s",
                          kMaxDropsPerLine, kMaxDropsPerLine * effective_line_rate(header),
                          effective_line_rate(header));
        } else {
            // The user gave only the rate: say that it is the rate that does not fit.
            std::snprintf(text, sizeof text,
                          "--line-rate: %g lines/s is too slow for the default %g drops per "
                          "second (at most %g drops per scan line); raise --line-rate or give "
                          "--drops-per-second",
                          effective_line_rate(header), o.drops_per_second, kMaxDropsPerLine);
        }
        throw UsageError(text);
    }
    const RainConfig rain = rain_for(o, header);
    if (rain.line_count < 1) throw UsageError("--duration is shorter than one scan line");
    check_work(o, rain);
    if (static_cast<double>(rain.first_line + rain.line_count) > last_storable_line(o.version))
        throw UsageError("the line numbers of this day and rate do not fit header version " +
                         std::to_string(o.version) + "; lower --line-rate or use --version 2");
}

}  // namespace

int64_t days_from_civil(int year, int month, int day) {
    // Counts in eras of 400 years, beginning each year in March, so that the leap day falls
    // at a year's end.
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

AbgenOptions parse_abgen_options(std::span<const std::string> args) {
    AbgenOptions o;
    bool speed_given = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        // "--" ends the options. abgen takes no operands (the output is named with -o), so
        // anything after it is a mistake worth naming.
        if (name == "--") {
            if (i + 1 < args.size())
                throw UsageError("unexpected argument '" + args[i + 1] +
                                 "' after --: abgen takes none (name the output with -o)");
            break;
        }
        std::string value;
        bool has_value = false;
        if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            has_value = true;
        }
        if (name == "--help" || name == "-h") {
            o.help = true;
            return o;
        }
        if (name == "--live" && !has_value) {
            o.live = true;
            continue;
        }
        static constexpr const char* kValued[] = {
            "--seed",     "--version",          "--line-rate", "--width", "--date", "--start",
            "--duration", "--drops-per-second", "--speed",     "-o"};
        bool known = false;
        for (const char* k : kValued) known = known || name == k;
        if (!known) throw UsageError("unknown option '" + args[i] + "'");
        if (!has_value) {
            if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
            value = args[++i];
        }
        if (name == "--seed") {
            o.seed = parse_number<uint64_t>(name, value);
        } else if (name == "--version") {
            const int v = parse_number<int>(name, value);
            if (v < 0 || v > 2) throw UsageError("--version must be 0, 1 or 2");
            o.version = static_cast<int16_t>(v);
        } else if (name == "--line-rate") {
            o.line_rate = parse_positive(name, value, kMaxLineRate);
        } else if (name == "--width") {
            o.width = parse_number<int32_t>(name, value);
        } else if (name == "--date") {
            parse_triple(name, value, '-', "a date YYYY-MM-DD", o.year, o.month, o.day);
            if (o.month < 1 || o.month > 12 || o.day < 1 || o.day > days_in_month(o.year, o.month))
                throw UsageError("--date: no such day '" + value + "'");
        } else if (name == "--start") {
            int h = 0, m = 0, s = 0;
            parse_triple(name, value, ':', "a time of day HH:MM:SS", h, m, s);
            if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
                throw UsageError("--start: no such time of day '" + value + "'");
            o.start_seconds = h * 3600 + m * 60 + s;
        } else if (name == "--duration") {
            o.duration = parse_positive(name, value, kSecondsPerDay);
        } else if (name == "--drops-per-second") {
            o.drops_per_second = parse_number<double>(name, value);
            o.drops_given = true;
            if (!(o.drops_per_second >= 0.0 && o.drops_per_second <= kMaxDropsPerSecond))
                throw UsageError("--drops-per-second must be from 0 to 1000000");
        } else if (name == "--speed") {
            o.speed = parse_positive(name, value, kMaxLiveSpeed);
            speed_given = true;
        } else {
            o.output = value;
        }
    }
    if (o.output.empty()) throw UsageError("no output file: -o OUT.ab is required");
    if (speed_given && !o.live) throw UsageError("--speed goes with --live");
    if (o.live) check_speed(o);
    check(o);
    return o;
}

RecordingHeader header_for(const AbgenOptions& o) {
    RecordingHeader h;
    h.version = o.version;
    if (o.version == 0)
        h.rate_divisor = static_cast<int16_t>(std::lround(kRateClock / o.line_rate));
    else
        h.line_rate = o.line_rate;
    h.half_width = static_cast<int16_t>(o.width / 2);
    h.start_time = static_cast<int32_t>(days_from_civil(o.year, o.month, o.day) * kSecondsPerDay +
                                        o.start_seconds);
    return h;
}

RainConfig rain_for(const AbgenOptions& o, const RecordingHeader& header) {
    RainConfig r;
    r.seed = o.seed;
    // A reader times the lines by the header's rate, so the rain is timed by it too (for
    // version 0 the divisor changes the rate a little).
    r.line_rate = effective_line_rate(header);
    r.line_width = o.width;
    // The recording's first line is the start time in lines, the way a reader converts a
    // time of day: floor(seconds x line_rate).
    r.first_line = static_cast<int64_t>(std::floor(o.start_seconds * r.line_rate));
    r.line_count = static_cast<int64_t>(std::floor(o.duration * r.line_rate));
    r.drops_per_second = o.drops_per_second;
    return r;
}

std::string abgen_help_text() {
    return "Usage: abgen [options] -o OUT.ab\n"
           "\n"
           "Simulates rain falling through the two cameras and writes it as a recording,\n"
           "OUT.ab, with its minute index OUT.abh beside it (a plain run replaces earlier\n"
           "files of those names; --live never does). The same options and seed always give\n"
           "the same bytes.\n"
           "\n"
           "Options:\n"
           "  --seed N                 seed of the simulation (default 1)\n"
           "  --version 0|1|2          header version (default 2); 0 stores the line rate as\n"
           "                           a divisor of 1193180, 0 and 1 store line numbers in 32\n"
           "                           bits, only 2 stores the width\n"
           "  --line-rate LINES_PER_S  scan lines per second and camera (default 10000)\n"
           "  --width PIXELS           pixels per scan line, even, 16 to 4096 (default 512;\n"
           "                           versions 0 and 1 allow only 512)\n"
           "  --date YYYY-MM-DD        day of the recording, 1901-12-14 to 2038-01-18\n"
           "                           (default 2001-06-07)\n"
           "  --start HH:MM:SS         time of day of the first scan line (default 00:00:00)\n"
           "  --duration SECONDS       length of the recording; start plus duration stays\n"
           "                           within the day (default 60)\n"
           "  --drops-per-second R     drops falling through the cameras (default 50,\n"
           "                           moderate rain), at most 4 per scan line;\n"
           "                           single-pixel noise comes on top\n"
           "  -o OUT.ab                the recording to write (required)\n"
           "  --live                   write as the instrument does: each record when its\n"
           "                           time has come, in place, flushed at once, the index\n"
           "                           written as each minute begins; never over an\n"
           "                           existing OUT.ab or OUT.abh (try korvel-replay --follow)\n"
           "  --speed X                with --live, X times faster than real time (default 1;\n"
           "                           the run may last at most 1000000000 s)\n"
           "  --help                   show this text\n"
           "  --                       ends the options\n"
           "\n"
           "Without --live the files are written under temporary names beside OUT.ab and\n"
           "replace earlier files only when both are complete; a failed run leaves those\n"
           "untouched. One run\n"
           "may ask for at most 50000000 drops and 2000000000 shadowed scan lines.\n"
           "Runs writing into the same directory take turns, a --live run included: the\n"
           "second says that it waits. --live writes in place and stops where it is when\n"
           "interrupted; it stops with status 1 when OUT.ab or OUT.abh is removed or\n"
           "replaced under it, and when a write fails it cuts OUT.ab back to its last whole\n"
           "record, with an index to match, before it stops with status 1.\n"
           "Bad usage exits with status 2, a failure to write with status 1.\n";
}

}  // namespace korvel
