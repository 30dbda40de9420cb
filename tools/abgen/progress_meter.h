#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace korvel {

// Shows how far a long run has come, as "\rNAME:  42%" on one line of a terminal, and clears
// the line at the end. Off (for a file or a pipe, which would only collect the noise) it
// prints nothing. The first figure comes after a second, so short runs stay silent, then at
// most four a second.
class ProgressMeter {
  public:
    using Clock = std::chrono::steady_clock;

    ProgressMeter(std::FILE* out, std::string name, bool on,
                  Clock::duration quiet_start = std::chrono::seconds(1))
        : out_(out), name_(std::move(name)), on_(on), start_(Clock::now() + quiet_start) {}

    // done: the share of the work done, 0 to 1.
    void update(double done) {
        if (!on_) return;
        const Clock::time_point now = Clock::now();
        if (now < start_ || (shown_ && now - last_ < std::chrono::milliseconds(250))) return;
        last_ = now;
        const int percent = done <= 0.0 ? 0 : done >= 1.0 ? 100 : static_cast<int>(done * 100.0);
        std::fprintf(out_, "\r%s: %3d%%", name_.c_str(), percent);
        std::fflush(out_);
        shown_ = true;
    }

    void finish() {
        if (!shown_) return;
        std::fprintf(out_, "\r%*s\r", static_cast<int>(name_.size()) + 6, "");
        std::fflush(out_);
        shown_ = false;
    }

  private:
    std::FILE* out_;
    std::string name_;
    bool on_;
    bool shown_ = false;
    Clock::time_point start_;
    Clock::time_point last_{};
};

}  // namespace korvel
