#pragma once

#include <optional>
#include <string>

#include "format/index_file.h"
#include "io/file_opener.h"

namespace korvel {

// The first and the last minute of the day in which a recording holds records, of either
// camera: what the Start Time dialog tells the user can be played. Minute m covers the start
// times m:00 to m:59 (the minute a start time selects from the index).
struct RecordedMinutes {
    int first = 0;
    int last = 0;
};

// Read from the index tables alone. Entry m of a table is the offset of the first record of
// minute m or later, and the entries no record reached hold the file's length; so minute m
// holds records of that camera exactly when entry m + 1 lies beyond entry m. None when neither
// table shows a minute with records (an empty recording, or an index of another file).
std::optional<RecordedMinutes> recorded_minutes(const MinuteTable& pos_a, const MinuteTable& pos_b);

// The same from the index file beside the data file at data_path; none when that index cannot
// be opened or is cut short. Only looks: nothing of the session changes.
std::optional<RecordedMinutes> read_recorded_minutes(FileOpener& opener,
                                                     const std::string& data_path);

}  // namespace korvel
