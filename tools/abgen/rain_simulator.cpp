#include "rain_simulator.h"

#include <algorithm>
#include <cmath>

namespace korvel {

namespace {
// Shares of the drops seen by both cameras, and by camera A alone (the rest: B alone).
constexpr double kBothShare = 0.80;
constexpr double kAOnlyShare = 0.10;
// Of the pairs, those whose sizes agree as closely as matching expects.
constexpr double kClosePairShare = 0.85;
// Noise pixels per second and camera: a floor, plus a share of the drop rate (splashes).
constexpr double kNoiseFloor = 1.0;
constexpr double kNoisePerDrop = 0.2;
// Mean width above the smallest, in pixels, of the exponential size spectrum.
constexpr double kSmallestDrop = 3.0;
constexpr double kMeanExtraWidth = 10.0;
// Shadows are taller at higher line rates: the same drop passes in more lines.
constexpr double kReferenceRate = 10000.0;
}  // namespace

RainSimulator::RainSimulator(const RainConfig& config)
    : config_(config),
      random_(config.seed),
      camera_a_(config.line_width),
      camera_b_(config.line_width),
      // A reader's line-order check starts from line 0 and takes only lines above it, so a
      // line numbered 0 would end the playback at once ("neg. time jump"). A recording that
      // starts at midnight therefore leaves line 0 dark: shadows on it begin at line 1.
      next_slice_line_(std::max<int64_t>(config.first_line, 1)) {
    if (config_.slice_lines <= 0)
        config_.slice_lines =
            std::clamp<int64_t>(std::llround(0.05 * config_.line_rate), 1, kMaxLinesPerRecord);
    const double noise_per_second = 2.0 * (kNoiseFloor + kNoisePerDrop * config_.drops_per_second);
    const double events_per_second = config_.drops_per_second + noise_per_second;
    lines_per_event_ = config_.line_rate / events_per_second;
    drop_share_ = config_.drops_per_second / events_per_second;
    max_width_ = std::min(100.0, config_.line_width / 2.0);
    next_arrival_ = static_cast<double>(config_.first_line) + random_.exponential(lines_per_event_);
}

bool RainSimulator::next_slice(std::vector<LineEntry>& a, std::vector<LineEntry>& b) {
    a.clear();
    b.clear();
    if (next_slice_line_ >= end_line()) return false;
    const int64_t from = next_slice_line_;
    const int64_t to = std::min(from + config_.slice_lines, end_line());
    arrive_until(to);
    camera_a_.render(from, to, a);
    camera_b_.render(from, to, b);
    next_slice_line_ = to;
    return true;
}

void RainSimulator::arrive_until(int64_t until) {
    while (next_arrival_ < static_cast<double>(until)) {
        if (random_.chance(drop_share_))
            add_drop();
        else if (random_.chance(0.5))
            add_noise(camera_a_, counts_.noise_a);
        else
            add_noise(camera_b_, counts_.noise_b);
        next_arrival_ += random_.exponential(lines_per_event_);
    }
}

double RainSimulator::drop_width() {
    // Rain holds many small drops and few large ones. Redraw rather than clamp, so no
    // pile of drops sits at the largest size.
    for (int tries = 0; tries < 64; ++tries) {
        const double w = kSmallestDrop + random_.exponential(kMeanExtraWidth);
        if (w <= max_width_) return w;
    }
    return kSmallestDrop;
}

void RainSimulator::add_drop() {
    const auto line = static_cast<int64_t>(std::floor(next_arrival_));
    Shadow a;
    a.first_line = line;
    a.width = drop_width();
    // Small drops fall slowly and look tall for their width; large ones are flattened.
    const double stretch = random_.uniform(0.7, 2.5) * config_.line_rate / kReferenceRate;
    a.height = static_cast<int32_t>(std::clamp(std::lround(a.width * stretch), 2L, 400L));
    const double margin = a.width / 2.0;
    a.center_x = random_.uniform(margin, config_.line_width - margin);

    const double kind = random_.uniform();
    if (kind >= kBothShare + kAOnlyShare) {  // grazes camera B only
        camera_b_.add(a);
        ++counts_.drops_b_only;
        return;
    }
    camera_a_.add(a);
    if (kind >= kBothShare) {
        ++counts_.drops_a_only;
        return;
    }
    // Camera B looks from the side: the position is its own, the size nearly the same.
    Shadow b = a;
    b.first_line = line + random_.uniform_int(20, 300);
    if (random_.chance(kClosePairShare)) {
        b.height = a.height + static_cast<int32_t>(random_.uniform_int(-3, 3));
        b.width = a.width * random_.uniform(0.85, 1.18);
    } else {
        const int32_t off = static_cast<int32_t>(random_.uniform_int(6, 20));
        b.height = random_.chance(0.5) ? a.height + off : a.height - off;
        b.width =
            a.width * (random_.chance(0.5) ? random_.uniform(0.4, 0.6) : random_.uniform(1.6, 2.0));
    }
    b.height = std::max(b.height, 2);
    b.width = std::clamp(b.width, 1.0, max_width_);
    b.center_x = random_.uniform(b.width / 2.0, config_.line_width - b.width / 2.0);
    camera_b_.add(b);
    ++counts_.drops_both;
}

void RainSimulator::add_noise(ShadowCamera& camera, uint64_t& count) {
    Shadow s;
    s.first_line = static_cast<int64_t>(std::floor(next_arrival_));
    s.height = 1;
    s.width = 1.0;
    s.center_x = static_cast<double>(random_.uniform_int(0, config_.line_width - 1)) + 0.5;
    camera.add(s);
    ++count;
}

}  // namespace korvel
