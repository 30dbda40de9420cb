#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "playback/playback_observer.h"

namespace korvel::replay {

// Prints every record, wait and match event of the playback steps as one JSON object per
// line (the counting is MinuteStatistics' job).
class ReplayObserver : public PlaybackObserver {
  public:
    // print_events false: the step events print nothing; emit still writes.
    ReplayObserver(std::FILE* out, bool print_events) : out_(out), print_(print_events) {}

    void set_step(int64_t step) { step_ = step; }

    void on_record(const DecodedRecordEvent& ev) override;
    void on_wait(Camera camera, const Particle& p) override;
    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override;

    // Writes one finished JSON object as a line.
    void emit(const std::string& json);

  private:
    std::FILE* out_;
    bool print_;
    int64_t step_ = 0;
};

// {"y_first":..,"y_last":..,"line_count":..,"max_width":..,"x_min":..,"x_max":..}
std::string particle_json(const Particle& p);

}  // namespace korvel::replay
