#pragma once

#include <array>
#include <string>

#include "matching/camera_matching.h"
#include "particles/particle.h"

namespace korvel {

// One matching decision as the pair reports give it (korvel-replay's --pairs rows, the Python
// module's pairs table): the time of day it is filed under, the outcome, both particles (one
// of them missing for a drop) and, when both are there, how far camera B's particle began
// after camera A's.
struct PairDecision {
    MatchOutcome outcome = MatchOutcome::pair;
    const Particle* a = nullptr;
    const Particle* b = nullptr;
    double time_line = 0.0;  // the y_first of camera A's particle, of camera B's without one
    bool has_lag = false;    // both particles are there
    double lag_lines = 0.0;  // b->y_first - a->y_first
    double lag_ms = 0.0;     // the same in milliseconds at the recording's line rate
};

// The decision about a and b; false when both are null (no decision is taken about nothing).
bool describe_pair_decision(const Particle* a, const Particle* b, MatchOutcome outcome,
                            double line_rate, PairDecision& out);

// The reports' columns, in order (without the leading file column of several files).
inline constexpr std::array<const char*, 16> kPairColumns = {
    "time",       "outcome",    "a_y_first",    "a_y_last",    "a_line_count", "a_max_width",
    "a_x_min",    "a_x_max",    "b_y_first",    "b_y_last",    "b_line_count", "b_max_width",
    "b_x_min",    "b_x_max",    "lag_lines",    "lag_ms"};

// The CSV's first row; with_file adds the leading file column.
std::string pair_csv_header(bool with_file);

// y / line_rate seconds after midnight as HH:MM:SS.mmm, cut (not rounded) to the millisecond,
// so a particle never shows a later time than the line it began on. Hours go on past 23 as
// they come; times before midnight carry a sign. Empty for a value that is no time at all (a
// damaged recording's infinite or NaN line number, or one beyond any calendar).
std::string time_of_day_ms(double y, double line_rate);

}  // namespace korvel
