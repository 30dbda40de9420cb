#pragma once

#include <cstdint>

#include "common/little_endian.h"

namespace korvel {

// The width of one kind of code (gap or run) within a block, with its masks worked out once.
struct CodeWidth {
    explicit CodeWidth(int n)
        : bits(n), value_mask((1u << (n - 1)) - 1u), flag_bit(1u << (n - 1)) {}
    int bits;
    uint32_t value_mask;
    uint32_t flag_bit;
};

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
// Inside a block, where the rest of the data is long enough for the codes of any scan line
// (line_fits), the decoder reads a line's codes with take() after an unchecked refill, and
// checks the block's length once per line instead of once per code.
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

    // read() with the masks of the width worked out beforehand.
    bool read(const CodeWidth& w, uint32_t& value, bool& flag) {
        if (bit_count_ < w.bits) {
            refill();
            if (bit_count_ < w.bits) return false;
        }
        value = take(w, flag);
        return true;
    }

    // Bytes of packed data a scan line may need from the read offset on, loads included: a line
    // has at most 12 codes of at most 15 bits (180 bits), and the read offset runs at most
    // 63 bits ahead of the next unread bit, so every refill within the line loads 8 bytes
    // starting at most (180 + 63) / 8 = 30 bytes on.
    static constexpr int kLineBytes = 30 + 8;

    // Whether the rest of the block holds any scan line's codes and every load they need.
    bool line_fits() const { return end_ - read_offset_ >= kLineBytes; }

    // Tops the window up to 56..63 bits. Only where line_fits() held at the line's start.
    void refill_unchecked() {
        window_ |= load_u64(read_offset_) << bit_count_;
        read_offset_ += (63 - bit_count_) >> 3;
        bit_count_ |= 56;
    }

    // Tops the window up when it holds fewer than n bits. Only where line_fits() held at the
    // line's start.
    void top_up(int n) {
        if (bit_count_ < n) refill_unchecked();
    }

    // Takes a code the window holds, returning its value and setting flag.
    uint32_t take(const CodeWidth& w, bool& flag) {
        const auto code = static_cast<uint32_t>(window_);
        flag = (code & w.flag_bit) != 0;
        window_ >>= w.bits;
        bit_count_ -= w.bits;
        return code & w.value_mask;
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
