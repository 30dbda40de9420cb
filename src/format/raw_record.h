#pragma once

#include <array>
#include <cstdint>

namespace korvel {

// Largest payload a record may carry: the size of the reader's payload buffer.
inline constexpr int kPayloadCapacity = 30000;

// Record types of the .ab stream. Any other value is passed over like kOtherRecord.
inline constexpr int16_t kCameraARecord = 1;
inline constexpr int16_t kCameraBRecord = 2;
inline constexpr int16_t kOtherRecord = 3;

// One record of the .ab stream: i16 type, i16 cmpr_n, then cmpr_n payload bytes.
struct RawRecord {
    int16_t type = 0;
    int16_t cmpr_n = 0;
    std::array<uint8_t, kPayloadCapacity> payload{};
};

}  // namespace korvel
