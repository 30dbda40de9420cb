#pragma once

#include <cstdint>
#include <vector>

#include "io/byte_sink.h"

namespace korvel {

// Collects the written bytes in memory, so tests can write a recording and read it back
// without touching the disk.
class VectorSink : public ByteSink {
  public:
    void write(const uint8_t* data, size_t n) override {
        bytes_.insert(bytes_.end(), data, data + n);
    }
    void close() override {}

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace korvel
