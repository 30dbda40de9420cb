#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "io/file_opener.h"
#include "statistics/minute_statistics.h"

namespace korvel {

// Told how far a computation has come; answers whether it is to go on.
class DayStatisticsProgress {
  public:
    virtual ~DayStatisticsProgress() = default;
    // done of total bytes of the data file are behind both readers.
    virtual bool keep_going(uint64_t done, uint64_t total) = 0;
};

// Plays a whole recording in a session of its own, from 00:00:00 with the asynchronous view
// selected and nothing drawn, and counts it minute by minute. The playback steps are those of
// the viewer, so the counts are those of its playback to the last decision. The session is
// independent of any other: a viewer can compute a file's statistics on a second thread while
// it plays the same file. Files are only read.
//
// A recording that is still being written is counted as far as it is there: the count ends
// at its end, or before a last record that its writer has not completed, which is then left
// out and no error. still_written, when given, tells whether the count stopped before such a
// record or saw the file grow within the follow grace time.
//
// Returns null when progress asked to stop. Raises FatalError with the text the viewer would
// show for the same file (an index file that cannot be opened included).
std::unique_ptr<MinuteStatistics> compute_day_statistics(const std::string& path,
                                                         const std::string& work_dir,
                                                         FileOpener& opener,
                                                         DayStatisticsProgress& progress,
                                                         bool* still_written = nullptr);

}  // namespace korvel
