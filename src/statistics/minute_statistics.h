#pragma once

#include <cstdint>
#include <map>

#include "playback/playback_observer.h"

namespace korvel {

// What happened in one minute of a recording day.
struct MinuteCounts {
    int64_t records_a = 0;  // camera records decoded with at least one line, handed on or not
    int64_t records_b = 0;
    int64_t lines_a = 0;  // the lines of those records
    int64_t lines_b = 0;
    int64_t handed_on = 0;  // records of either camera assembled, checked and counted
    int64_t waited_a = 0;   // particles moved to camera A's wait queue
    int64_t waited_b = 0;
    int64_t pairs = 0;
    int64_t rejects = 0;
    int64_t drops_a = 0;
    int64_t drops_b = 0;

    MinuteCounts& operator+=(const MinuteCounts& o);
    bool operator==(const MinuteCounts&) const = default;
};

// The minute of the day a scan line falls in: trunc(y / (60 * line_rate)), the same expression
// the status panel's time row takes its minutes from, so a minute here is the minute the views
// show. Line numbers come from the recording and may be anything: results beyond +-2^50
// minutes are held at that bound, and a non-finite quotient counts as minute 0.
int64_t minute_of_line(double y, double line_rate);

// Counts, minute by minute, what the playback steps report: a record counts in the minute of
// its first line, a particle in the minute of its y_first, a matching decision in the minute
// of its camera-A particle (of its camera-B particle when it has none). The one count of a
// replay: its totals are korvel-replay's summary, its minutes the CSV and the overview.
class MinuteStatistics : public PlaybackObserver {
  public:
    explicit MinuteStatistics(double line_rate) : line_rate_(line_rate) {}
    // A copy would keep a pointer into the other's map; a move takes the map's nodes along,
    // and the pointer is dropped all the same.
    MinuteStatistics(const MinuteStatistics&) = delete;
    MinuteStatistics& operator=(const MinuteStatistics&) = delete;
    MinuteStatistics(MinuteStatistics&& other) noexcept;
    MinuteStatistics& operator=(MinuteStatistics&& other) noexcept;

    void on_record(const DecodedRecordEvent& event) override;
    void on_wait(Camera camera, const Particle& p) override;
    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override;

    double line_rate() const { return line_rate_; }
    // Only the minutes that saw something, in ascending order.
    const std::map<int64_t, MinuteCounts>& minutes() const { return minutes_; }
    MinuteCounts totals() const;

  private:
    MinuteCounts& at_line(double y);

    double line_rate_;
    std::map<int64_t, MinuteCounts> minutes_;
    // Events come in line order, mostly many to a minute: the last minute touched is kept at
    // hand so that most events need no search of the map.
    int64_t cached_minute_ = 0;
    MinuteCounts* cached_ = nullptr;
    // The lowest and highest line seen in the cached minute: a line between them lies in it
    // too, and needs no division.
    double cached_low_ = 0.0;
    double cached_high_ = 0.0;
};

}  // namespace korvel
