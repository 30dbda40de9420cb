#include "statistics/minute_statistics.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace korvel {

MinuteCounts& MinuteCounts::operator+=(const MinuteCounts& o) {
    records_a += o.records_a;
    records_b += o.records_b;
    lines_a += o.lines_a;
    lines_b += o.lines_b;
    handed_on += o.handed_on;
    waited_a += o.waited_a;
    waited_b += o.waited_b;
    pairs += o.pairs;
    rejects += o.rejects;
    drops_a += o.drops_a;
    drops_b += o.drops_b;
    return *this;
}

int64_t minute_of_line(double y, double line_rate) {
    constexpr double kBound = 1125899906842624.0;  // 2^50: far beyond any day, exact as a double
    const double q = std::trunc(y / (60.0 * line_rate));
    if (!std::isfinite(q)) return 0;
    if (q > kBound) return static_cast<int64_t>(kBound);
    if (q < -kBound) return -static_cast<int64_t>(kBound);
    return static_cast<int64_t>(q);
}

MinuteStatistics::MinuteStatistics(MinuteStatistics&& other) noexcept
    : line_rate_(other.line_rate_), minutes_(std::move(other.minutes_)) {
    other.cached_ = nullptr;
}

MinuteStatistics& MinuteStatistics::operator=(MinuteStatistics&& other) noexcept {
    line_rate_ = other.line_rate_;
    minutes_ = std::move(other.minutes_);
    cached_ = nullptr;
    other.cached_ = nullptr;
    return *this;
}

// minute_of_line is monotone in y whatever the line rate (a rounded division by a fixed
// number, trunc and the clamp all are, and a quotient that is no number is minute 0 for every
// y), so every line between two lines of one minute lies in that minute.
MinuteCounts& MinuteStatistics::at_line(double y) {
    if (cached_ != nullptr && y >= cached_low_ && y <= cached_high_) return *cached_;
    const int64_t minute = minute_of_line(y, line_rate_);
    if (cached_ == nullptr || minute != cached_minute_) {
        cached_ = &minutes_[minute];  // map nodes never move, so the pointer stays good
        cached_minute_ = minute;
        cached_low_ = y;
        cached_high_ = y;
    } else {
        cached_low_ = std::min(cached_low_, y);
        cached_high_ = std::max(cached_high_, y);
    }
    return *cached_;
}

void MinuteStatistics::on_record(const DecodedRecordEvent& event) {
    MinuteCounts& m = at_line(event.y_first);
    if (event.handed_on) ++m.handed_on;
    if (event.camera == Camera::A) {
        ++m.records_a;
        m.lines_a += event.n;
    } else {
        ++m.records_b;
        m.lines_b += event.n;
    }
}

void MinuteStatistics::on_wait(Camera camera, const Particle& p) {
    MinuteCounts& m = at_line(p.y_first);
    ++(camera == Camera::A ? m.waited_a : m.waited_b);
}

void MinuteStatistics::on_match(const Particle* a, const Particle* b, MatchOutcome outcome) {
    const Particle* by = a != nullptr ? a : b;
    if (by == nullptr) return;  // a decision about no particle names no minute
    MinuteCounts& m = at_line(by->y_first);
    switch (outcome) {
        case MatchOutcome::pair:
            ++m.pairs;
            break;
        case MatchOutcome::reject:
            ++m.rejects;
            break;
        case MatchOutcome::drop_a:
            ++m.drops_a;
            break;
        case MatchOutcome::drop_b:
            ++m.drops_b;
            break;
    }
}

MinuteCounts MinuteStatistics::totals() const {
    MinuteCounts sum;
    for (const auto& [minute, counts] : minutes_) sum += counts;
    return sum;
}

}  // namespace korvel
