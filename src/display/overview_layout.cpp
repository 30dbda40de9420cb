#include "display/overview_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "statistics/minute_csv.h"

namespace korvel {
namespace {

constexpr int64_t kDay = 1440;

// The smallest round number (1, 2, 3, 4, 5, 6 or 8 times a power of ten, in whole
// numbers) that is at least value.
int64_t round_up(int64_t value) {
    if (value <= 1) return 1;
    for (int64_t power = 1; power <= INT64_MAX / 100; power *= 10) {
        for (int64_t tenths : {10, 20, 30, 40, 50, 60, 80}) {
            const int64_t candidate = tenths * power / 10;
            if (candidate >= value && candidate > 0) return candidate;
        }
    }
    return value;
}

}  // namespace

MinuteSpan fitted_span(const MinuteStatistics& stats) {
    if (stats.minutes().empty()) return MinuteSpan{};
    // Held to ten days either side first: a damaged recording may name minutes years away.
    const int64_t lo =
        std::clamp<int64_t>(stats.minutes().begin()->first, -10 * kDay, 10 * kDay - 1);
    const int64_t hi = std::clamp<int64_t>(stats.minutes().rbegin()->first + 1, lo + 1, 10 * kDay);
    // Edges on the ticks the span will have: whole hours where it shows hourly ticks, ten
    // minutes from an hour on, and the very minutes below.
    const int64_t length = hi - lo;
    const int64_t step = length >= 360 ? 60 : length >= 60 ? 10 : 1;
    const auto floor_to = [step](int64_t m) {
        return m >= 0 ? m / step * step : -((-m + step - 1) / step) * step;
    };
    MinuteSpan span{floor_to(lo), floor_to(hi + step - 1)};
    // A span shorter than the least the wheel zooms to grows evenly on both sides.
    if (span.length() < kMinZoomMinutes) {
        span.first -= (kMinZoomMinutes - span.length()) / 2;
        span.end = span.first + kMinZoomMinutes;
    }
    return span;
}

MinuteSpan zoomed_span(const MinuteSpan& span, double factor, double anchor,
                       const MinuteSpan& limits) {
    const double old_length = static_cast<double>(span.length());
    const double at = static_cast<double>(span.first) + std::clamp(anchor, 0.0, 1.0) * old_length;
    const double floor_length = static_cast<double>(std::min(kMinZoomMinutes, limits.length()));
    const double length =
        std::clamp(old_length * factor, floor_length, static_cast<double>(limits.length()));
    MinuteSpan out;
    out.first = static_cast<int64_t>(std::llround(at - std::clamp(anchor, 0.0, 1.0) * length));
    out.end = out.first + static_cast<int64_t>(std::llround(length));
    return panned_span(out, 0, limits);
}

MinuteSpan panned_span(const MinuteSpan& span, int64_t minutes, const MinuteSpan& limits) {
    const int64_t length = std::min(span.length(), limits.length());
    const int64_t first = std::clamp(span.first + minutes, limits.first, limits.end - length);
    return MinuteSpan{first, first + length};
}

int64_t overview_peak(const MinuteStatistics& stats) {
    int64_t peak = 0;
    for (const auto& [minute, c] : stats.minutes()) {
        peak = std::max({peak, c.waited_a, c.waited_b, c.pairs});
    }
    return peak;
}

OverviewLayout::OverviewLayout(const MinuteStatistics& stats, double width, double height) {
    plot_.left = kLeftMargin;
    plot_.top = kTopMargin;
    plot_.width = std::max(1.0, width - kLeftMargin - kRightMargin);
    plot_.height = std::max(1.0, height - kTopMargin - kBottomMargin);
    if (!stats.minutes().empty()) {
        // Whole hours around what lies outside the day, so the hour ticks stay on the edges.
        const int64_t lo = stats.minutes().begin()->first;
        const int64_t hi = stats.minutes().rbegin()->first + 1;
        first_ = std::min<int64_t>(0, lo >= 0 ? 0 : -((-lo + 59) / 60) * 60);
        end_ = std::max<int64_t>(kDay, (hi + 59) / 60 * 60);
        // A damaged recording may name minutes years away; the picture keeps to ten days.
        first_ = std::max<int64_t>(first_, -10 * kDay);
        end_ = std::min<int64_t>(end_, 10 * kDay);
    }
    top_ = round_up(std::max<int64_t>(overview_peak(stats) * 11 / 10, 10));
}

OverviewLayout::OverviewLayout(const MinuteStatistics& stats, double width, double height,
                               MinuteSpan span)
    : OverviewLayout(stats, width, height) {
    if (span.length() > 0) {
        first_ = span.first;
        end_ = span.end;
    }
}

double OverviewLayout::x_of(int64_t minute) const {
    return plot_.left +
           plot_.width * static_cast<double>(minute - first_) / static_cast<double>(end_ - first_);
}

double OverviewLayout::y_of(int64_t count) const {
    return plot_.bottom() - plot_.height * static_cast<double>(count) / static_cast<double>(top_);
}

std::optional<int64_t> OverviewLayout::minute_at(double x, double y) const {
    if (x < plot_.left || x >= plot_.right() || y < plot_.top || y >= plot_.bottom()) {
        return std::nullopt;
    }
    const double span = static_cast<double>(end_ - first_);
    const auto minute =
        first_ + static_cast<int64_t>(std::floor((x - plot_.left) / plot_.width * span));
    return std::min(minute, end_ - 1);
}

std::vector<OverviewTick> OverviewLayout::hour_ticks() const {
    const double minute_width = plot_.width / static_cast<double>(end_ - first_);
    // Hourly ticks on six hours or more; on a shorter span the finest round step whose ticks
    // stand at least 8 units apart.
    int64_t step = 60;
    if (end_ - first_ < 360) {
        for (int64_t s : {1, 2, 5, 10, 15, 30, 60}) {
            if (minute_width * static_cast<double>(s) >= 8) {
                step = s;
                break;
            }
        }
    }
    // A label "00:00" needs about 40 units; label every few ticks so that they fit.
    int64_t label_step = 1440;
    for (int64_t s : {1, 2, 5, 10, 15, 30, 60, 120, 180, 240, 360, 720, 1440}) {
        if (s % step == 0 && minute_width * static_cast<double>(s) >= 44) {
            label_step = s;
            break;
        }
    }
    const auto is_multiple = [](int64_t m, int64_t of) { return m % of == 0; };
    std::vector<OverviewTick> ticks;
    // The first multiple of step at or after the left edge (minutes may be negative).
    int64_t m = first_ - (first_ % step + step) % step;
    if (m < first_) m += step;
    for (; m <= end_; m += step) {
        ticks.push_back({x_of(m), is_multiple(m, label_step) ? minute_label(m) : std::string()});
    }
    return ticks;
}

std::vector<OverviewTick> OverviewLayout::count_ticks() const {
    // Four to eight steps from 0 to the top, each a round number.
    int64_t step = 1;
    for (int64_t power = 1; power <= top_; power *= 10) {
        for (int64_t m : {1, 2, 5}) {
            if (top_ / (m * power) >= 4 && top_ % (m * power) == 0) step = m * power;
        }
    }
    std::vector<OverviewTick> ticks;
    for (int64_t c = 0; c <= top_; c += step) {
        ticks.push_back({y_of(c), std::to_string(c)});
    }
    return ticks;
}

std::string overview_minute_text(int64_t minute, const MinuteCounts& c) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "%s  particles A %lld  B %lld  pairs %lld  records A %lld  B %lld",
                  minute_label(minute).c_str(), static_cast<long long>(c.waited_a),
                  static_cast<long long>(c.waited_b), static_cast<long long>(c.pairs),
                  static_cast<long long>(c.records_a), static_cast<long long>(c.records_b));
    return text;
}

}  // namespace korvel
