#include "statistics/day_statistics.h"

#include <algorithm>
#include <stop_token>
#include <utility>

#include "commands/headless_player.h"

namespace korvel {
namespace {

// Asking for progress at every step would cost more than the step; every so many steps is
// often enough for a progress bar and for a prompt stop.
constexpr int kStepsPerReport = 64;

// Reports progress every kStepsPerReport steps, before the step, and asks the player to stop
// when progress says so.
class ProgressHook : public StepHook {
  public:
    ProgressHook(HeadlessPlayer& player, DayStatisticsProgress& progress)
        : player_(player), progress_(progress) {}

    void before_step(int64_t step) override {
        if ((step - 1) % kStepsPerReport != 0) return;
        const PlaybackSession& s = player_.session();
        const uint64_t length = s.data_file->length();
        const uint64_t done = std::min<uint64_t>(std::min(s.pos_a, s.pos_b), length);
        if (!progress_.keep_going(done, length)) stop_.request_stop();
    }

    std::stop_token stop_token() const { return stop_.get_token(); }

  private:
    HeadlessPlayer& player_;
    DayStatisticsProgress& progress_;
    std::stop_source stop_;
};

}  // namespace

std::unique_ptr<MinuteStatistics> compute_day_statistics(const std::string& path,
                                                         const std::string& work_dir,
                                                         FileOpener& opener,
                                                         DayStatisticsProgress& progress,
                                                         bool* still_written) {
    HeadlessStart start;
    start.path = path;
    start.work_dir = work_dir;  // the day from midnight, asynchronous view, nothing drawn
    HeadlessPlayer player(std::move(start), opener);
    player.open();
    // A record cut by the end ends the count there instead of being a read error.
    player.player().set_follow(FollowMode::count_available);

    auto stats = std::make_unique<MinuteStatistics>(player.session().line_rate);
    NullPlaybackView view;
    ProgressHook hook(player, progress);
    if (player.play(view, stats.get(), &hook, hook.stop_token()) == PlayEnd::stopped) {
        return nullptr;
    }
    const uint64_t length = player.session().data_file->length();
    progress.keep_going(length, length);
    if (still_written) {
        *still_written = player.player().waiting() || player.answer() == StepAnswer::waiting;
    }
    return stats;
}

}  // namespace korvel
