#pragma once

#include <string>

namespace korvel::fuzz {

// The texts a damaged recording may legitimately end with, by where they come from. A fatal
// error whose text is none of these means an unexpected path raised it, or a text has drifted
// from what the user is meant to see.

// The record reader: "mp02", "mp03", "cmpr_n < 0", "mp04", or the rejection of a payload
// larger than the reader's buffer or of a record ending beyond 32-bit reach.
bool is_record_error(const std::string& text);

// Reading the header record: "eval_arg41" .. "eval_arg43", or the rejection of a header with
// an unknown length or an unusable line rate or width.
bool is_header_error(const std::string& text);

// Everything an Open followed by playback steps may raise with the correction file absent:
// the two above, "mp71", "pixfil05", a start time beyond the index, and the chronology checks.
bool is_replay_error(const std::string& text);

}  // namespace korvel::fuzz
