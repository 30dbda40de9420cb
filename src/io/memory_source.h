#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "io/byte_source.h"

namespace korvel {

// A recording held in memory. Tests and fuzzers read through it so they never touch the disk;
// the bytes are owned, so the source stays valid however the caller's buffer changes.
class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    size_t read_at(uint64_t offset, uint8_t* dst, size_t n) override;
    uint64_t length() override { return bytes_.size(); }
    // A copy of the bytes as they stand: a test that appends later appends to this source only.
    std::unique_ptr<ByteSource> open_another() override {
        return std::make_unique<MemorySource>(bytes_);
    }

    // Lets a test append to the recording between reads, as the instrument does on disk.
    std::vector<uint8_t>& bytes() { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace korvel
