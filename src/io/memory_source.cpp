#include "io/memory_source.h"

#include <algorithm>
#include <cstring>

namespace korvel {

size_t MemorySource::read_at(uint64_t offset, uint8_t* dst, size_t n) {
    if (offset >= bytes_.size() || n == 0) return 0;
    const size_t avail = bytes_.size() - static_cast<size_t>(offset);
    const size_t count = std::min(n, avail);
    std::memcpy(dst, bytes_.data() + offset, count);
    return count;
}

}  // namespace korvel
