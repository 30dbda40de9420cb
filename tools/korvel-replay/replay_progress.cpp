#include "replay_progress.h"

#include <unistd.h>

#include <numeric>

namespace korvel::replay {

ReplayProgress::ReplayProgress(std::FILE* err, size_t files)
    : err_(err), on_(isatty(fileno(err)) == 1), done_(files, 0), total_(files, 0) {}

void ReplayProgress::update(size_t file, uint64_t done, uint64_t total) {
    if (!on_ || file >= done_.size()) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    done_[file] = done < total ? done : total;
    total_[file] = total;
    const auto now = Clock::now();
    if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(250))
        return;
    const uint64_t all = std::accumulate(total_.begin(), total_.end(), uint64_t{0});
    if (all == 0) return;
    const uint64_t behind = std::accumulate(done_.begin(), done_.end(), uint64_t{0});
    last_ = now;
    std::fprintf(err_, "\rkorvel-replay: %3d%%", static_cast<int>(behind * 100 / all));
    std::fflush(err_);
    shown_ = true;
}

void ReplayProgress::finish() {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (shown_) std::fputs("\r                     \r", err_);
    shown_ = false;
}

}  // namespace korvel::replay
