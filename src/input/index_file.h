#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "input/byte_source.h"
#include "playback/playback_session.h"

namespace korvel {

// The index file beside a data file: for every minute of the day the byte offset at which
// camera A's records of that minute begin (first table) and the same for camera B (second
// table), each 1442 unsigned 32-bit little-endian numbers. Bytes after the tables are ignored.
inline constexpr size_t kIndexTableBytes = kMinutesPerTable * 4;

using MinuteTable = std::array<uint32_t, kMinutesPerTable>;

// The index file's path: the data file's full path without its last three characters (the
// ".ab" extension), plus ".abh".
std::string index_file_path(const std::string& data_path);

// Reads both tables from the start of source. Raises FatalError("pixfil05") when either table
// is cut short; the tables are only written once both have been read whole.
void read_index_tables(ByteSource& source, MinuteTable& pos_a, MinuteTable& pos_b);

}  // namespace korvel
