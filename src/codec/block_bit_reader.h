#pragma once

#include <cstdint>

#include "common/little_endian.h"

namespace korvel {

// Reads the packed codes of one block. The packed data is a single bit stream, least
// significant bit of each byte first; a code of n bits (1..15) carries its value in the first
// n - 1 bits (increasing significance) and a flag in its last bit.
//
// The reader keeps up to 63 unread bits in a 64-bit window, the next unread bit in bit 0.
// A refill while at least 8 bytes of packed data remain loads one unaligned 64-bit word and
// tops the window up to 56..63 bits; near the end of the data it takes single bytes, so it
// never touches a byte past the block. A code that would reach past the last bit of the
// block is not read at all: the caller treats that as the end of the data.
//
// One reader is a local object of each decode call and is set up afresh for every block, so
// decoding shares no state between calls or threads.
class BlockBitReader {
  public:
    // data points at the first byte of the block's packed data, which is size bytes long.
    BlockBitReader(const uint8_t* data, int size) : read_offset_(data), end_(data + size) {}

    // Reads an n-bit code (1 <= n <= 15). Returns false, consuming nothing, when fewer than
    // n bits of the block are left.
    bool read(int n, uint32_t& value, bool& flag) {
        if (bit_count_ < n) {
            refill();
            if (bit_count_ < n) return false;
        }
        const uint32_t code = static_cast<uint32_t>(window_) & ((1u << n) - 1u);
        value = code & ((1u << (n - 1)) - 1u);
        flag = (code >> (n - 1)) != 0;
        window_ >>= n;
        bit_count_ -= n;
        return true;
    }

  private:
    void refill() {
        if (end_ - read_offset_ >= 8) {
            // The window's bits above bit_count_ already hold the stream's next bits (or
            // zero), so OR-ing the same bytes in again is harmless. The read offset always
            // sits at the byte whose first bit belongs at window bit bit_count_.
            window_ |= load_u64(read_offset_) << bit_count_;
            read_offset_ += (63 - bit_count_) >> 3;
            bit_count_ |= 56;
        } else {
            while (bit_count_ <= 56 && read_offset_ < end_) {
                window_ |= static_cast<uint64_t>(*read_offset_++) << bit_count_;
                bit_count_ += 8;
            }
        }
    }

    uint64_t window_ = 0;         // unread bits, the next one in bit 0
    int bit_count_ = 0;           // unread bits held in the window
    const uint8_t* read_offset_;  // next byte of packed data to load
    const uint8_t* end_;          // one past the block's last byte
};

}  // namespace korvel
