#pragma once

#include <cstdio>
#include <string>

#include "playback/playback_observer.h"
#include "statistics/pair_decision.h"

namespace korvel::replay {

// Watches the matching decisions of one replay and writes each as one CSV row of --pairs, in
// the order they are taken: the time of day, the outcome, both particles (the missing side's
// six columns empty) and, for pairs and rejects, how many lines and milliseconds camera B's
// particle began after camera A's. Rows collect in a string and go to the file in pieces of
// about 64 KiB, so a day of rain costs no more memory than an hour.
class PairRows : public PlaybackObserver {
  public:
    // line_rate: the recording's lines per second. file_column: the first field of every row
    // (the file's name, when several files share one CSV); empty for none.
    PairRows(std::FILE* to, double line_rate, std::string file_column);

    void on_record(const DecodedRecordEvent&) override {}
    void on_wait(Camera, const Particle&) override {}
    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override;

    // Writes what is still held. False when any write to the file failed; error() then
    // gives its errno.
    bool finish();
    int error() const { return error_; }

  private:
    void spill();

    std::FILE* to_;
    double line_rate_;
    std::string prefix_;
    std::string rows_;
    int error_ = 0;
};

// The row's time and the header are the pair reports' own (see statistics/pair_decision.h).
using korvel::pair_csv_header;
using korvel::time_of_day_ms;

}  // namespace korvel::replay
