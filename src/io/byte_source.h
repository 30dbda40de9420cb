#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "io/file_identity.h"

namespace korvel {

// Where the bytes of a recording come from: a read-only file, or a buffer in memory for tests
// and fuzzers. Every read names its offset, so two readers (camera A and camera B) can share
// one source without a shared file position.
class ByteSource {
  public:
    virtual ~ByteSource() = default;

    // Copies up to n bytes starting at offset into dst and returns how many were copied; fewer
    // than n only at the end of the data (0 at or beyond it).
    virtual size_t read_at(uint64_t offset, uint8_t* dst, size_t n) = 0;

    // The length in bytes, measured afresh on every call: a recording may still be growing.
    virtual uint64_t length() = 0;

    // The length measured now, also by a source whose length() answers from a measurement a
    // moment old (see ThrottledLengthSource): for a decision that a stale length would get
    // wrong, such as whether the file shrank below what was read.
    virtual uint64_t length_now() { return length(); }

    // Where the run of zero bytes that begins at offset ends, as far as the source knows
    // without reading them: the end of a hole in a sparse file. offset itself when nothing is
    // known, which is always right; reading the bytes tells the rest.
    virtual uint64_t zeros_until(uint64_t offset) { return offset; }

    // A second source over the same bytes, for a reader on another thread: sources keep
    // read caches and are not to be shared between threads. nullptr where there is none; that
    // reader is then done without.
    virtual std::unique_ptr<ByteSource> open_another() { return nullptr; }

    // The file the bytes are read from, as it was when it was opened: an output compared with
    // it is caught even after the recording was renamed. None for bytes held in memory.
    virtual std::optional<FileIdentity> identity() const { return std::nullopt; }
};

}  // namespace korvel
