#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

namespace korvel::replay {

// Shows how far a replay has come when a person watches stderr and it takes a while: the
// bytes behind both readers over all files, as one percentage. Files replayed side by side
// report to the same instance; it prints at most four times a second.
class ReplayProgress {
  public:
    ReplayProgress(std::FILE* err, size_t files);

    // File number file has done of total bytes.
    void update(size_t file, uint64_t done, uint64_t total);
    // Clears the line, once every file is through.
    void finish();

  private:
    using Clock = std::chrono::steady_clock;

    std::mutex mutex_;
    std::FILE* err_;
    bool on_;
    bool shown_ = false;
    std::vector<uint64_t> done_;
    std::vector<uint64_t> total_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point last_ = start_;
};

}  // namespace korvel::replay
