#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "io/byte_source.h"

namespace korvel {

// Entries per table of the index: one per minute of the day, and two spare.
inline constexpr int kIndexMinutes = 1442;

// The index file beside a data file: for every minute of the day the byte offset at which
// camera A's records of that minute begin (first table) and the same for camera B (second
// table), each 1442 unsigned 32-bit little-endian numbers. Bytes after the tables are ignored.
inline constexpr size_t kIndexTableBytes = size_t{kIndexMinutes} * 4;

using MinuteTable = std::array<uint32_t, kIndexMinutes>;

// The index file's path: the data file's full path without its ".ab" extension, plus ".abh"
// (0607.ab has 0607.abh). A name without that extension keeps all of it (/dev/stdin looks
// for /dev/stdin.abh), so the message about a missing index names the file looked for.
std::string index_file_path(const std::string& data_path);

// Reads both tables from the start of source. Raises FatalError("pixfil05") when either table
// is cut short; the tables are only written once both have been read whole.
void read_index_tables(ByteSource& source, MinuteTable& pos_a, MinuteTable& pos_b);

// Whether entry m of both tables is final in an index written while its recording grows. Its
// writer fills every entry that no record has reached yet with the data file's length at the
// time of writing, the same number in both tables, and those entries close the tables: the
// value the tables end with. A record's offset lies below that length, so an entry below it
// is a record's and never changes again; an entry equal to it may still move to where the
// minute's first record will stand.
bool index_entry_settled(const MinuteTable& pos_a, const MinuteTable& pos_b, size_t m);

// The minute of the day that holds start_line: the entry of the index tables a reader starts
// from. Minute m begins at line m x floor(line_rate x 60). Raises FatalError naming the rate
// when it gives less than one line a minute, and when the minute lies outside the tables'
// 1442 minutes (a start beyond the day).
size_t index_minute(double start_line, double line_rate);

}  // namespace korvel
