#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "statistics/minute_statistics.h"

namespace korvel {

// A rectangle in the picture's own units (pixels of the image or the widget).
struct OverviewRect {
    double left = 0, top = 0, width = 0, height = 0;
    double right() const { return left + width; }
    double bottom() const { return top + height; }
};

// A tick of an axis: where it stands and what it says.
struct OverviewTick {
    double at = 0;
    std::string label;  // empty: a tick without a label
};

// A stretch of minutes of the day: from first up to end (exclusive).
struct MinuteSpan {
    int64_t first = 0;
    int64_t end = 1440;
    int64_t length() const { return end - first; }
    bool operator==(const MinuteSpan&) const = default;
};

// The time axis of a recording: the minutes that hold data, their edges on whole hours (six
// hours of data or more), on ten minutes (an hour or more) or on the minute, and widened
// evenly to kMinZoomMinutes at least. A short recording fills the axis, a whole day's data
// shows the day. Held to ten days either side, as a damaged recording may name minutes years
// away. Without data: the day. The viewer's Overview and korvel-replay's picture both use it.
MinuteSpan fitted_span(const MinuteStatistics& stats);

// span zoomed by factor (below 1: in) around the minute at anchor (0 the left edge, 1 the
// right), at least kMinZoomMinutes long and never beyond limits.
MinuteSpan zoomed_span(const MinuteSpan& span, double factor, double anchor,
                       const MinuteSpan& limits);
// span moved by minutes (positive: later), kept inside limits.
MinuteSpan panned_span(const MinuteSpan& span, int64_t minutes, const MinuteSpan& limits);
inline constexpr int64_t kMinZoomMinutes = 10;

// Where everything of the day's timeline stands: x is the time of day (the whole day, 00:00 to
// 24:00, widened when the data reaches beyond it), y the count per minute from 0 at the
// bottom to a round top value. Pure geometry, so the window, korvel-replay's picture and the
// tests agree on it.
class OverviewLayout {
  public:
    // The plot area is the picture less its margins for title and labels.
    OverviewLayout(const MinuteStatistics& stats, double width, double height);
    // The same with the time axis showing span only.
    OverviewLayout(const MinuteStatistics& stats, double width, double height, MinuteSpan span);

    const OverviewRect& plot() const { return plot_; }
    int64_t first_minute() const { return first_; }  // the left edge
    int64_t end_minute() const { return end_; }      // the right edge (exclusive)
    int64_t top_count() const { return top_; }

    double x_of(int64_t minute) const;  // the left edge of the minute's column
    double y_of(int64_t count) const;
    // The minute under x, or nothing outside the plot area.
    std::optional<int64_t> minute_at(double x, double y) const;

    // One tick an hour (on a span shorter than six hours, ticks at a round number of minutes
    // instead); labels on every tick that leaves room for them.
    std::vector<OverviewTick> hour_ticks() const;
    // Round steps (1, 2 or 5 times a power of ten, four or more of them) from 0 to the top.
    std::vector<OverviewTick> count_ticks() const;

    static constexpr double kLeftMargin = 56, kRightMargin = 24, kTopMargin = 26,
                            kBottomMargin = 30;

  private:
    OverviewRect plot_;
    int64_t first_ = 0;
    int64_t end_ = 1440;
    int64_t top_ = 10;
};

// The text that names a minute and its counts, for the pointer's minute and the picture.
std::string overview_minute_text(int64_t minute, const MinuteCounts& counts);

// The largest per-minute value the timeline draws (particles of A, of B, pairs).
int64_t overview_peak(const MinuteStatistics& stats);

}  // namespace korvel
