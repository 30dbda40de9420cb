#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace korvel {

// Truncation toward zero to a 64-bit integer. Line numbers come from untrusted recordings,
// and converting a NaN or an out-of-range double to an integer is undefined, so those
// saturate (NaN gives 0) instead.
inline int64_t trunc_to_int64(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kMax = 9223372036854775807.0;  // rounds to 2^63
    if (v >= kMax) return std::numeric_limits<int64_t>::max();
    if (v <= -kMax) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(v);
}

// A drawing height trunc(v): truncated toward zero and held in the range the device mapping
// handles; anything further off lies far outside every window anyway.
inline int trunc_to_coordinate(double v) {
    constexpr int64_t kLimit = int64_t{1} << 28;
    const int64_t t = trunc_to_int64(v);
    if (t > kLimit) return static_cast<int>(kLimit);
    if (t < -kLimit) return static_cast<int>(-kLimit);
    return static_cast<int>(t);
}

}  // namespace korvel
