#pragma once

#include <string>

#include "statistics/minute_statistics.h"

namespace korvel {

// The per-minute statistics as comma-separated values for a spreadsheet, R or pandas: a header
// row, then one row per minute from the first minute with data to the last, the empty minutes
// between them as rows of zeros. With a file name the rows gain a first column naming the file.
std::string minute_csv_header(bool with_file);
void append_minute_rows(std::string& out, const MinuteStatistics& stats,
                        const std::string* file_name = nullptr);

// HH:MM of a minute of the day; hours go on past 23 as they come ("25:03"). Minutes before
// midnight carry a sign ("-00:01").
std::string minute_label(int64_t minute);

// A field as CSV needs it: quoted, with quotes doubled, when it holds a comma, a quote or a
// line end.
std::string csv_field(const std::string& text);

// Empty minutes are written out only across gaps of at most this many minutes. A damaged
// recording whose line numbers leap by years would otherwise ask for millions of rows of zeros.
inline constexpr int64_t kMaxFilledGap = 1442;

}  // namespace korvel
