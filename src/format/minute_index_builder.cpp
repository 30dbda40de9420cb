#include "format/minute_index_builder.h"

#include <cmath>

#include "common/little_endian.h"

namespace korvel {

MinuteIndexBuilder::MinuteIndexBuilder(int64_t lines_per_minute)
    : lines_per_minute_(lines_per_minute < 1 ? 1 : lines_per_minute) {}

void MinuteIndexBuilder::note_record(Camera camera, double first_line, uint32_t offset) {
    if (!(first_line >= 0.0)) return;
    const double minute = std::floor(first_line / static_cast<double>(lines_per_minute_));
    // Every minute up to this record's own is settled by it; beyond the table it settles all.
    const int last = minute >= kIndexMinutes - 1 ? kIndexMinutes - 1 : static_cast<int>(minute);
    int& filled = filled_[camera_index(camera)];
    auto& table = tables_[camera_index(camera)];
    while (filled <= last) table[static_cast<size_t>(filled++)] = offset;
}

std::vector<uint8_t> MinuteIndexBuilder::finish(uint32_t file_length) {
    std::vector<uint8_t> out(2 * kIndexMinutes * 4);
    uint8_t* p = out.data();
    for (size_t camera = 0; camera < 2; ++camera) {
        for (int m = filled_[camera]; m < kIndexMinutes; ++m)
            tables_[camera][static_cast<size_t>(m)] = file_length;
        filled_[camera] = kIndexMinutes;
        for (uint32_t entry : tables_[camera]) {
            store_u32(p, entry);
            p += 4;
        }
    }
    return out;
}

}  // namespace korvel
