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

// Where everything of the day's timeline stands: x is the time of day (the whole day, 00:00 to
// 24:00, widened when the data reaches beyond it), y the count per minute from 0 at the
// bottom to a round top value. Pure geometry, so the window, korvel-replay's picture and the
// tests agree on it.
class OverviewLayout {
  public:
    // The plot area is the picture less its margins for title and labels.
    OverviewLayout(const MinuteStatistics& stats, double width, double height);

    const OverviewRect& plot() const { return plot_; }
    int64_t first_minute() const { return first_; }  // the left edge
    int64_t end_minute() const { return end_; }      // the right edge (exclusive)
    int64_t top_count() const { return top_; }

    double x_of(int64_t minute) const;  // the left edge of the minute's column
    double y_of(int64_t count) const;
    // The minute under x, or nothing outside the plot area.
    std::optional<int64_t> minute_at(double x, double y) const;

    // One tick an hour; labels on every hour that leaves room for them.
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
