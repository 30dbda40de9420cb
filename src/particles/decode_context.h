#pragma once

#include <array>
#include <cstdint>

#include "codec/line_entry.h"
#include "format/header_area.h"
#include "particles/particle.h"

namespace korvel {

// The working state of one opened file. Allocated once at Open and destroyed at Close File;
// nothing in it is allocated per line. Destroying it frees every particle's segment array.
struct DecodeContext {
    DecodeContext() = default;
    ~DecodeContext();
    DecodeContext(const DecodeContext&) = delete;
    DecodeContext& operator=(const DecodeContext&) = delete;

    int16_t line_count = 0;  // valid lines in line_buf
    std::array<LineEntry, kMaxLinesPerRecord> line_buf{};
    CameraQueue queue_a;
    CameraQueue queue_b;
    HeaderArea header;
    // The lines of the record just read; the step copies them into line_buf when it hands the
    // record on.
    std::array<LineEntry, kMaxLinesPerRecord> decode_output{};
    std::array<Particle, kPoolSize> pool{};
    int16_t pool_index = 0;            // rotating start of the pool search
    int16_t free_entries = kPoolSize;  // pool entries with owner 0
    double m_oldB = 0.0;               // last camera-B line that passed the line order check
    double m_oldA = 0.0;               // the same for camera A
};

}  // namespace korvel
