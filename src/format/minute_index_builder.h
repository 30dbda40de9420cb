#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/camera.h"
#include "format/index_file.h"

namespace korvel {

// Builds the .abh index while the records are written. Table 1 (camera A) entry m holds the
// file offset of the first camera-A record, in file order, whose first line lies in minute m
// or later; table 2 the same for camera B. Minute m begins at line m x lines_per_minute, the
// unit a reader divides a start line by. Entries that no record reaches hold the file length,
// so a reader starting there finds nothing more to read.
class MinuteIndexBuilder {
  public:
    explicit MinuteIndexBuilder(int64_t lines_per_minute);

    // Notes a record of camera written at offset whose first line is first_line. Records before
    // midnight (negative lines) enter no minute.
    void note_record(Camera camera, double first_line, uint32_t offset);

    // Fills the entries no record reached with file_length and returns both tables as the
    // 2 x 1442 little-endian u32 of the index file.
    std::vector<uint8_t> finish(uint32_t file_length);

  private:
    int64_t lines_per_minute_;
    std::array<std::array<uint32_t, kIndexMinutes>, 2> tables_{};
    // Per camera, the number of leading entries already set. The set entries always form a
    // prefix: a record in minute k settles every open entry up to k.
    std::array<int, 2> filled_{0, 0};
};

}  // namespace korvel
