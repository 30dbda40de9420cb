#pragma once

#include <bit>
#include <cstdint>

namespace korvel {

// Every multi-byte number in the recording files is little-endian. These loads assemble the
// value from bytes, so they are correct on any host and never read unaligned words.

inline uint16_t load_u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline int16_t load_i16(const uint8_t* p) {
    return static_cast<int16_t>(load_u16(p));
}
inline uint32_t load_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t load_i32(const uint8_t* p) {
    return static_cast<int32_t>(load_u32(p));
}
inline uint64_t load_u64(const uint8_t* p) {
    return static_cast<uint64_t>(load_u32(p)) | (static_cast<uint64_t>(load_u32(p + 4)) << 32);
}
inline double load_f64(const uint8_t* p) {
    return std::bit_cast<double>(load_u64(p));
}

inline void store_u16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void store_u32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void store_u64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void store_f64(uint8_t* p, double v) {
    store_u64(p, std::bit_cast<uint64_t>(v));
}

}  // namespace korvel
