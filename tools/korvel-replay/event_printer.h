#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "playback/playback_observer.h"

namespace korvel::replay {

// What a replay counts, for its summary.
struct ReplayCounters {
    int64_t records_a = 0;  // camera records decoded with at least one line
    int64_t records_b = 0;
    int64_t handed_on = 0;  // of those, assembled, checked and counted
    int64_t particles = 0;  // moved to a wait queue
    int64_t pairs = 0;
    int64_t rejects = 0;
    int64_t drops_a = 0;
    int64_t drops_b = 0;
};

// Watches the playback steps: counts everything, and with events on prints every record,
// wait and match event as one JSON object per line.
class ReplayObserver : public PlaybackObserver {
  public:
    ReplayObserver(std::FILE* out, bool print_events) : out_(out), print_(print_events) {}

    void set_step(int64_t step) { step_ = step; }
    const ReplayCounters& counters() const { return counters_; }

    void on_record(const DecodedRecordEvent& ev) override;
    void on_wait(const Particle& p) override;
    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override;

    // Writes one finished JSON object as a line.
    void emit(const std::string& json);

  private:
    std::FILE* out_;
    bool print_;
    int64_t step_ = 0;
    ReplayCounters counters_;
};

// {"y_first":..,"y_last":..,"line_count":..,"max_width":..,"x_min":..,"x_max":..}
std::string particle_json(const Particle& p);

}  // namespace korvel::replay
