#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "json_writer.h"

#include "playback/playback_observer.h"

namespace korvel::replay {

// Prints every record, wait and match event of the playback steps as one JSON object per
// line (the counting is MinuteStatistics' job).
class ReplayObserver : public PlaybackObserver {
  public:
    // print_events false: the step events print nothing; emit still writes. file is the
    // recording's name as given, carried by its first event (see event).
    ReplayObserver(std::FILE* out, bool print_events, std::string file = {})
        : out_(out), print_(print_events), file_(std::move(file)) {}

    void set_step(int64_t step) { step_ = step; }

    void on_record(const DecodedRecordEvent& ev) override;
    void on_wait(Camera camera, const Particle& p) override;
    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override;

    // Begins an event {"ev":NAME,...}. The file's first event, its open event or the fatal
    // one of a file that could not be opened, also names the file ("file":NAME), so that
    // where one file's events begin can be told in the stream of several.
    JsonLine event(const char* name);

    // Writes one finished JSON object as a line.
    void emit(const std::string& json);

  private:
    std::FILE* out_;
    bool print_;
    std::string file_;
    bool named_ = false;  // the file's name has been given
    int64_t step_ = 0;
};

// {"y_first":..,"y_last":..,"line_count":..,"max_width":..,"x_min":..,"x_max":..}
std::string particle_json(const Particle& p);

}  // namespace korvel::replay
