#include "statistics/day_statistics.h"

#include <algorithm>
#include <chrono>

#include "commands/open_file.h"
#include "commands/user_interaction.h"
#include "common/fatal_error.h"
#include "io/throttled_length_source.h"
#include "playback/playback_step.h"

namespace korvel {
namespace {

// Answers Open's questions without a window: the file is given, the day starts at midnight.
class SilentInteraction : public UserInteraction {
  public:
    bool choose_file(std::string&, std::string&) override { return false; }
    bool choose_start_time(int& hour, int& minute, int& second) override {
        hour = minute = second = 0;
        return true;
    }
    void show_message(const std::string& text) override { message = text; }
    void report_file_error(const std::string& text) override { file_error = text; }
    void add_recent_file(const std::string&) override {}
    void set_title(const std::string&) override {}
    void repaint_views() override {}
    CivilDate local_today() override { return CivilDate{}; }

    std::string message;
    std::string file_error;
};

// Asking for progress at every step would cost more than the step; every so many steps is
// often enough for a progress bar and for a prompt stop.
constexpr int kStepsPerReport = 64;

}  // namespace

std::unique_ptr<MinuteStatistics> compute_day_statistics(const std::string& path,
                                                         const std::string& work_dir,
                                                         FileOpener& opener,
                                                         DayStatisticsProgress& progress) {
    PlaybackSession session;
    apply_start_up(session, work_dir, path);
    Document doc;
    SilentInteraction ui;
    open_file(session, doc, ui, opener);
    if (!ui.file_error.empty()) throw FatalError(ui.file_error);
    if (session.open_document == nullptr || !session.decode_context) {
        throw FatalError(ui.message.empty() ? "no file was opened" : ui.message);
    }
    session.data_file = std::make_unique<ThrottledLengthSource>(std::move(session.data_file),
                                                                std::chrono::milliseconds(1));
    session.playback_running = 1;

    auto stats = std::make_unique<MinuteStatistics>(session.line_rate);
    NullPlaybackView view;
    DecodeContext& ctx = *session.decode_context;
    for (int64_t steps = 0;; ++steps) {
        const uint64_t length = session.data_file->length();
        if (steps % kStepsPerReport == 0) {
            const uint64_t done =
                std::min<uint64_t>(std::min(session.pos_a, session.pos_b), length);
            if (!progress.keep_going(done, length)) return nullptr;
        }
        playback_step(session, view, doc, ctx, stats.get());
        const uint64_t now_length = session.data_file->length();
        if (session.pos_a >= now_length && session.pos_b >= now_length) break;
    }
    progress.keep_going(session.data_file->length(), session.data_file->length());
    return stats;
}

}  // namespace korvel
