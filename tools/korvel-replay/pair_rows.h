#pragma once

#include <cstdio>
#include <string>

#include "playback/playback_observer.h"

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

// The CSV's first row; with_file adds the leading file column.
std::string pair_csv_header(bool with_file);

// y / line_rate seconds after midnight as HH:MM:SS.mmm, cut (not rounded) to the millisecond,
// so a particle never shows a later time than the line it began on. Hours go on past 23 as
// they come; times before midnight carry a sign. Empty for a value that is no time at all (a
// damaged recording's infinite or NaN line number, or one beyond any calendar).
std::string time_of_day_ms(double y, double line_rate);

}  // namespace korvel::replay
