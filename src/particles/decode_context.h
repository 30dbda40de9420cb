#pragma once

#include <array>
#include <cstdint>

#include "codec/line_entry.h"
#include "common/zeroed_array.h"
#include "format/header_area.h"
#include "particles/particle.h"

namespace korvel {

// The working state of one opened file. Allocated once at Open and destroyed at Close File;
// nothing in it is allocated per line or per particle.
struct DecodeContext {
    DecodeContext() = default;
    DecodeContext(const DecodeContext&) = delete;
    DecodeContext& operator=(const DecodeContext&) = delete;

    // The record being handed on: line_count lines at lines. They stand in line_buf when the
    // step decoded the record itself, and in the decode-ahead ring when it took them from
    // there; either way they stay put until the camera's next record.
    int16_t line_count = 0;
    const LineEntry* lines = line_buf.data();
    // Whether each of those lines is known to lie above the one before (y rises strictly):
    // then the line order check need only look at the first.
    bool lines_rising = false;
    std::array<LineEntry, kMaxLinesPerRecord> line_buf{};
    CameraQueue queue_a;
    CameraQueue queue_b;
    HeaderArea header;
    std::array<Particle, kPoolSize> pool{};
    // The segment arrays of the pool's particles, one of full capacity per pool entry: entry i
    // uses segment_store[i * kMaxParticleLines, (i + 1) * kMaxParticleLines). Holding them
    // here bounds their memory by the pool, and starting or finishing a particle allocates
    // nothing (a rainy day starts a particle every few hundred microseconds). Zeroed pages
    // from calloc: a context is made for every file opened and every player, and most of
    // its 720 KB are never written in a short replay.
    ZeroedArray<Segment> segment_store = zeroed_array<Segment>(kPoolSize * kMaxParticleLines);
    int16_t pool_index = 0;            // rotating start of the pool search
    int16_t free_entries = kPoolSize;  // pool entries with owner 0
    int64_t allocations = 0;           // entries handed out by allocate_particle, ever
    int64_t frees = 0;                 // entries given back by free_particle, ever
    int64_t frees_at_allocation = 0;   // frees as the latest allocation found them
    double m_oldB = 0.0;               // last camera-B line that passed the line order check
    double m_oldA = 0.0;               // the same for camera A
};

}  // namespace korvel
