#pragma once

#include <cstddef>
#include <cstdint>

namespace korvel {

// Where written bytes go: a file on disk, or a buffer in memory for tests and fuzzers. The
// writer only ever appends, so a sink needs no positions.
class ByteSink {
  public:
    virtual ~ByteSink() = default;

    // Appends n bytes. Raises FatalError when they cannot be stored.
    virtual void write(const uint8_t* data, size_t n) = 0;

    // Pushes buffered bytes to their destination and reports any failure that is still
    // pending. Writing after close is an error.
    virtual void close() = 0;
};

}  // namespace korvel
