#pragma once

#include <cstddef>
#include <string_view>

#include "calibration/correction_record.h"

namespace korvel {

// The correction file is read as exactly eight pieces of at most 98 characters each; a piece
// may take two raw bytes per character (CR LF), and one byte more is looked at to see whether
// a final CR is followed by LF. A prefix of this length of the file decides the whole result.
inline constexpr size_t kCorrectionTextLimit = 8 * 98 * 2 + 1;

// Reads the eight lines of CORRFACT.DAT from text into record:
//   line 1        title, not read
//   line 2        "%hd" from column 55 (columns 1-54 are free text)
//   line 3        the grid: ten "%6f" numbers separated by commas, from column 11
//   line 4        heading, not read
//   lines 5 - 8   rows[0] - rows[3], ten numbers each as on line 3
// A line longer than 97 characters (plus its line end) is taken in several pieces, each of
// which counts as one of the eight lines. A field that does not convert keeps its value, and
// so do the fields after it on that line; no value is range-checked.
// Raises FatalError("tables0k") when the text ends before line k; what was read stays read.
void parse_corrections(std::string_view text, CorrectionRecord& record);

}  // namespace korvel
