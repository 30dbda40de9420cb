#include "particles/decode_context.h"

#include <cstdlib>

namespace korvel {

// Closing a file destroys its context, and with it every particle still in a queue.
DecodeContext::~DecodeContext() {
    for (Particle& p : pool) {
        std::free(p.segments);
        p.segments = nullptr;
    }
}

}  // namespace korvel
