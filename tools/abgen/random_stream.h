#pragma once

#include <cmath>
#include <cstdint>

namespace korvel {

// A seeded pseudo-random stream (xoshiro256**, seeded through splitmix64) with the few
// distributions the rain needs. It is ours rather than the standard library's because the
// standard distributions differ between implementations, and a seed must give the same
// recording everywhere.
class RandomStream {
  public:
    explicit RandomStream(uint64_t seed) {
        for (uint64_t& word : state_) {
            seed += 0x9E3779B97F4A7C15ull;
            uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = z ^ (z >> 31);
        }
    }

    uint64_t next() {
        const uint64_t result = rotl(state_[1] * 5, 7) * 9;
        const uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotl(state_[3], 45);
        return result;
    }

    // Uniform in [0, 1), from the top 53 bits.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }

    // Uniform integer in [lo, hi], for spans well below 2^53 (exact enough for a simulation).
    int64_t uniform_int(int64_t lo, int64_t hi) {
        const double span = static_cast<double>(hi - lo) + 1.0;
        const auto k = static_cast<int64_t>(uniform() * span);
        return k > hi - lo ? hi : lo + k;
    }

    bool chance(double p) { return uniform() < p; }

    // Exponentially distributed with the given mean (waiting times of a Poisson process).
    double exponential(double mean) { return -mean * std::log1p(-uniform()); }

  private:
    static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    uint64_t state_[4];
};

}  // namespace korvel
