#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include "format/recording_header.h"
#include "rain_simulator.h"

namespace korvel {

// A command line abgen cannot act on; the text says what is wrong.
class UsageError : public std::runtime_error {
  public:
    explicit UsageError(const std::string& text) : std::runtime_error(text) {}
};

// The command line of abgen, checked; the defaults make a minute of moderate rain.
struct AbgenOptions {
    bool help = false;
    uint64_t seed = 1;
    int16_t version = 2;
    double line_rate = 10000.0;  // as asked; version 0 rounds it to a clock divisor
    int32_t width = 512;
    int year = 2001, month = 6, day = 7;
    int32_t start_seconds = 0;  // time of day
    double duration = 60.0;     // seconds
    double drops_per_second = 50.0;
    bool drops_given = false;  // --drops-per-second was on the command line
    std::string output;  // the .ab path; the index goes beside it
    bool live = false;   // --live: written in place as time passes, as the instrument does
    double speed = 1.0;  // --speed: times real time, for --live
};

// Parses the arguments after the program name. Raises UsageError for anything malformed,
// out of range or inconsistent (for example a width other than 512 for versions 0 and 1).
AbgenOptions parse_abgen_options(std::span<const std::string> args);

// The header the options describe: line rate (or divisor), width and start time.
RecordingHeader header_for(const AbgenOptions& options);

// The rain the options describe, timed by the line rate the header gives a reader.
RainConfig rain_for(const AbgenOptions& options, const RecordingHeader& header);

// What --help prints.
std::string abgen_help_text();

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
int64_t days_from_civil(int year, int month, int day);

}  // namespace korvel
