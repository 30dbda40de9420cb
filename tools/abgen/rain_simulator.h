#pragma once

#include <cstdint>
#include <vector>

#include "codec/line_entry.h"
#include "random_stream.h"
#include "shadow_camera.h"

namespace korvel {

struct RainConfig {
    uint64_t seed = 1;
    double line_rate = 10000.0;      // scan lines per second
    int32_t line_width = 512;        // pixels per scan line
    int64_t first_line = 0;          // line number (since midnight) of the first scan line
    int64_t line_count = 600000;     // scan lines per camera
    double drops_per_second = 50.0;  // drops falling through the measuring area
    int64_t slice_lines = 0;         // lines per record slice; 0: 50 ms, at most 2000 lines
};

// What has fallen so far.
struct RainCounts {
    uint64_t drops_both = 0;  // seen by camera A and, later, by camera B
    uint64_t drops_a_only = 0;
    uint64_t drops_b_only = 0;
    uint64_t noise_a = 0;  // single dark pixels
    uint64_t noise_b = 0;

    uint64_t drops() const { return drops_both + drops_a_only + drops_b_only; }
};

// Simulates rain falling through the two light planes. A drop crosses camera A and, 20 to
// 300 lines later, camera B, which sees it at a similar size: most pairs differ by at most
// a few lines in height and by less than a fifth in width, a few differ more. Some drops
// graze only one plane, and both cameras show single-pixel noise. Drop widths follow the
// roughly exponential size spectrum of rain, a few to about a hundred pixels; a shadow is a
// few to a few hundred lines tall. The same config gives the same rain.
class RainSimulator {
  public:
    explicit RainSimulator(const RainConfig& config);

    // The scan lines of both cameras in the next slice of time, lines without shadow left
    // out (either may come back empty). False once the recording's time is used up.
    bool next_slice(std::vector<LineEntry>& a, std::vector<LineEntry>& b);

    const RainCounts& counts() const { return counts_; }
    const RainConfig& config() const { return config_; }
    int64_t end_line() const { return config_.first_line + config_.line_count; }
    // The share of the recording's lines that the slices so far have covered, 0 to 1.
    double share_done() const {
        if (config_.line_count <= 0) return 1.0;
        return static_cast<double>(next_slice_line_ - config_.first_line) /
               static_cast<double>(config_.line_count);
    }

  private:
    // Every event (drop or noise pixel) arriving before line `until`.
    void arrive_until(int64_t until);
    void add_drop();
    void add_noise(ShadowCamera& camera, uint64_t& count);
    double drop_width();

    RainConfig config_;
    RandomStream random_;
    ShadowCamera camera_a_;
    ShadowCamera camera_b_;
    RainCounts counts_;
    int64_t next_slice_line_;
    double next_arrival_;     // line of the next event, fractional
    double lines_per_event_;  // mean gap between events, in lines
    double drop_share_;       // of all events, the drops; the rest is noise, half per camera
    double max_width_;
};

}  // namespace korvel
