#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "io/byte_source.h"

namespace korvel {

// The viewer measures the data file at every playback step, five steps a second. A replay runs
// its steps back to back, hundreds of thousands a second, and measuring the file (a system
// call) would then cost more than the rest of the step. This source measures the file at most
// once per interval and answers with that length in between: a file that grows during a replay
// is still seen, a fraction of a millisecond later.
class ThrottledLengthSource : public ByteSource {
  public:
    using Clock = std::chrono::steady_clock;

    ThrottledLengthSource(std::unique_ptr<ByteSource> inner, Clock::duration interval)
        : inner_(std::move(inner)), interval_(interval) {}

    size_t read_at(uint64_t offset, uint8_t* dst, size_t n) override {
        return inner_->read_at(offset, dst, n);
    }

    uint64_t zeros_until(uint64_t offset) override { return inner_->zeros_until(offset); }

    std::unique_ptr<ByteSource> open_another() override { return inner_->open_another(); }

    uint64_t length() override {
        const Clock::time_point now = Clock::now();
        if (!measured_ || now - measured_at_ >= interval_) {
            length_ = inner_->length();
            measured_at_ = now;
            measured_ = true;
        }
        return length_;
    }

    // Measures the file now, whenever it was measured last.
    uint64_t length_now() override {
        measured_ = false;
        return length();
    }

  private:
    std::unique_ptr<ByteSource> inner_;
    Clock::duration interval_;
    Clock::time_point measured_at_{};
    uint64_t length_ = 0;
    bool measured_ = false;
};

}  // namespace korvel
