#include "live_recording.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/fatal_error.h"
#include "common/little_endian.h"
#include "format/index_file.h"
#include "rain_recording.h"

namespace korvel {
namespace {

using Clock = std::chrono::steady_clock;

// How much of written bytes of a record stream (i16 type, u16 payload length, the payload;
// the header record included) makes whole records.
size_t whole_records(const std::vector<uint8_t>& records, size_t written) {
    size_t end = 0;
    while (written - end >= 4) {
        const size_t size = 4 + size_t{load_u16(records.data() + end + 2)};
        if (written - end < size) break;
        end += size;
    }
    return end;
}

// The index of a recording that ends at end: an entry at or past it would point at a record
// that is not there, and becomes end, as an entry does that no record reaches.
std::vector<uint8_t> index_ending_at(std::vector<uint8_t> tables, uint32_t end) {
    for (size_t at = 0; at + 4 <= tables.size(); at += 4) {
        if (load_u32(tables.data() + at) > end) store_u32(tables.data() + at, end);
    }
    return tables;
}

// After a failed write: cuts the recording back to its last whole record and writes the index
// of what is left. Returns what was done, for the message; the files are removed when not
// even the header record is whole.
std::string keep_whole_records(const RecordingWriter& writer, LiveFile& data, LiveFile& index) {
    const uint64_t end = data.flushed_length() +
                         whole_records(data.unflushed(), data.length() - data.flushed_length());
    if (end == 0) {
        // Removed only while the names still lead to this run's own files.
        for (LiveFile* f : {&data, &index}) {
            if (f->still_named()) std::remove(f->path().c_str());
        }
        return "; not even the header was written whole, so both files were removed";
    }
    try {
        data.cut_back(end);
        index.write_over(index_ending_at(writer.index_so_far(), static_cast<uint32_t>(end)));
    } catch (const FatalError& e) {
        const std::string why = e.text();
        return "; then the recording could not be cut back to its last whole record: " + why;
    }
    return "; the recording was cut back to its last whole record (" + std::to_string(end) +
           " bytes) and its index made to match";
}

void write_paced(RainSimulator& rain, RecordingWriter& writer, LiveFile& data, LiveFile& index_file,
                 double speed) {
    const RainConfig& config = rain.config();
    const double seconds = static_cast<double>(config.line_count) / config.line_rate;
    if (!(speed > 0.0 && seconds / speed <= kLongestLiveSeconds)) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "--speed %g makes the %g s of rain last longer than %.0f s", speed, seconds,
                      kLongestLiveSeconds);
        throw FatalError(text);
    }
    const int64_t per_minute = lines_per_minute(writer.header());
    const Clock::time_point began = Clock::now();
    Clock::time_point checked = began;
    double share_before = 0.0;
    int64_t minute_written = config.first_line / per_minute;
    // The index first: a reader that finds the header finds an index beside it.
    index_file.write_over(writer.index_so_far());
    data.flush();  // the header record
    const auto pace = [&](double share_after) {
        // Someone else's file now under one of the names: writing on would only fill a file
        // nobody can open, and end in a report of a recording that is not there.
        if (Clock::now() - checked >= std::chrono::seconds(1)) {
            data.check_still_named();
            index_file.check_still_named();
            checked = Clock::now();
        }
        // The minute the slice begins in: a new one gets its index before its first record.
        const auto line =
            static_cast<int64_t>(static_cast<double>(config.first_line) +
                                 share_before * static_cast<double>(config.line_count));
        const int64_t minute = line / per_minute;
        if (minute != minute_written) {
            index_file.write_over(writer.index_so_far());
            minute_written = minute;
        }
        // A slice is written once its lines have been scanned.
        const std::chrono::duration<double> due(share_after * seconds / speed);
        std::this_thread::sleep_until(began + std::chrono::duration_cast<Clock::duration>(due));
    };
    write_rain(
        rain, writer,
        [&](double share) {
            data.flush();
            share_before = share;
        },
        pace);
}

}  // namespace

void write_rain_live(RainSimulator& rain, RecordingWriter& writer, LiveFile& data,
                     VectorSink& index_tables, LiveFile& index_file, double speed) {
    try {
        write_paced(rain, writer, data, index_file, speed);
        writer.finish();
        index_file.write_over(index_tables.bytes());
    } catch (const FatalError& e) {
        if (!data.write_failed() && !index_file.write_failed()) throw;
        throw FatalError(e.text() + keep_whole_records(writer, data, index_file));
    }
    data.check_still_named();
    index_file.check_still_named();
    index_file.close();
}

}  // namespace korvel
