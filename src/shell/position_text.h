#pragma once

#include <cstdint>
#include <string>

namespace korvel {

// The status bar's "where am I" field: the time of day of camera A's newest line, as
// hh:mm:ss, and how far camera A has read through the data file, as a percentage with one
// decimal. Before camera A's first line, or without a usable line rate, the time shows as
// --:--:--; an empty file shows 0.0 %.
std::string position_text(double newest_line_a, double line_rate, uint64_t pos_a,
                          uint64_t file_length);

}  // namespace korvel
