#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace korvel {

// Appends codes to a block's packed data: one bit stream, least significant bit of each byte
// first. An n-bit code (1..15) puts its value in its first n - 1 bits and its flag in the last.
class BlockBitWriter {
  public:
    explicit BlockBitWriter(std::vector<uint8_t>& out) : out_(out) {}

    void write(uint32_t value, bool flag, int n) {
        if (n < 1 || n > 15 || (value >> (n - 1)) != 0) {
            throw std::logic_error("code value does not fit its width");
        }
        const uint32_t code = value | (static_cast<uint32_t>(flag) << (n - 1));
        pending_ |= static_cast<uint64_t>(code) << pending_bits_;
        pending_bits_ += n;
        while (pending_bits_ >= 8) {
            out_.push_back(static_cast<uint8_t>(pending_));
            pending_ >>= 8;
            pending_bits_ -= 8;
        }
    }

    // Writes the last, partly filled byte; its unused high bits are zero.
    void flush() {
        if (pending_bits_ > 0) out_.push_back(static_cast<uint8_t>(pending_));
        pending_ = 0;
        pending_bits_ = 0;
    }

  private:
    std::vector<uint8_t>& out_;
    uint64_t pending_ = 0;
    int pending_bits_ = 0;
};

}  // namespace korvel
