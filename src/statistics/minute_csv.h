#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "statistics/minute_statistics.h"

namespace korvel {

// The per-minute statistics as comma-separated values for a spreadsheet, R or pandas: a header
// row, then one row per minute with data, in order. The empty minutes between two minutes with
// data are rows of zeros when both lie within the recording's own day (00:00 to 24:00): a
// damaged recording whose line numbers leap by days would otherwise ask for rows without end.
// With a file name the rows gain a first column naming the file.
std::string minute_csv_header(bool with_file);
// Hands each row, with its line end, to row as it is made, so that no caller needs to hold
// them all.
// The minutes of the CSV, in order, with those empty minutes filled in: what each row is made of.
void for_each_minute(const MinuteStatistics& stats,
                     const std::function<void(int64_t minute, const MinuteCounts&)>& visit);

// The CSV's count columns after the time, in order, and a minute's values for them.
inline constexpr std::array<const char*, 10> kMinuteCountColumns = {
    "records_a", "records_b", "lines_a", "lines_b", "waited_a",
    "waited_b",  "pairs",     "rejects", "drops_a", "drops_b"};
std::array<int64_t, 10> minute_count_values(const MinuteCounts& counts);

void for_each_minute_row(const MinuteStatistics& stats, const std::string* file_name,
                         const std::function<void(const std::string&)>& row);
void append_minute_rows(std::string& out, const MinuteStatistics& stats,
                        const std::string* file_name = nullptr);

// HH:MM of a minute of the day; hours go on past 23 as they come ("25:03"). Minutes before
// midnight carry a sign ("-00:01").
std::string minute_label(int64_t minute);

// A field as CSV needs it: quoted, with quotes doubled, when it holds a comma, a quote or a
// line end. A byte that is not part of well-formed UTF-8 (a file name in another encoding) is
// written as \u00XX with XX its value, as the JSON events write it, so the file stays UTF-8;
// a backslash is written as two, so every escape stands for one byte and nothing else.
std::string csv_field(const std::string& text);

// The last minute whose empty neighbours are filled with zeros: 24:00, the end of the day.
inline constexpr int64_t kLastFilledMinute = 1440;

}  // namespace korvel
