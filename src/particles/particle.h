#pragma once

#include <cstdint>

#include "codec/line_entry.h"
#include "common/camera.h"

namespace korvel {

inline constexpr int kPoolSize = 300;          // particles alive at once, both cameras
inline constexpr int kMaxParticleLines = 600;  // segments per particle

// A particle: runs on consecutive scan lines of one camera, one segment per line.
// Lives in the context's fixed pool; its segment array (capacity kMaxParticleLines) is the
// pool entry's share of the context's segment store.
struct Particle {
    int16_t x_min = 0;
    int16_t x_max = 0;
    int16_t max_width = 0;   // widest segment after the first; a new particle starts at 0
    int16_t line_count = 0;  // stored segments, 1 to 600
    double y_last = 0.0;
    double y_first = 0.0;
    Particle* older = nullptr;    // toward the oldest end of the list it is in
    Particle* newer = nullptr;    // toward the newest end
    int16_t owner = 0;            // 0 free; '1'/'2' assign queue A/B; 'V'/'W' wait queue A/B
    int16_t overflow = 0;         // 1 once a 601st line reached it
    int32_t queue_rank = 0;       // creation order within the assign queue, oldest lowest
    Segment* segments = nullptr;  // set by allocate_particle, null while the entry is free
};

// Per camera: the assign queue (particles of the record being assembled) and the wait queue
// (finished particles waiting for matching). Both are doubly linked lists through older/newer.
struct CameraQueue {
    Camera camera = Camera::A;
    char assign_letter = 0;  // '1' camera A, '2' camera B
    char wait_letter = 0;    // 'V' camera A, 'W' camera B
    Particle* assign_newest = nullptr;
    Particle* assign_oldest = nullptr;
    Particle* wait_newest = nullptr;
    Particle* wait_oldest = nullptr;
};

}  // namespace korvel
