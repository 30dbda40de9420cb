#include "statistics/day_statistics.h"

#include <algorithm>
#include <chrono>

#include "commands/headless_interaction.h"
#include "commands/open_file.h"
#include "common/fatal_error.h"
#include "io/throttled_length_source.h"
#include "playback/playback_step.h"

namespace korvel {
namespace {

// Asking for progress at every step would cost more than the step; every so many steps is
// often enough for a progress bar and for a prompt stop.
constexpr int kStepsPerReport = 64;

}  // namespace

std::unique_ptr<MinuteStatistics> compute_day_statistics(const std::string& path,
                                                         const std::string& work_dir,
                                                         FileOpener& opener,
                                                         DayStatisticsProgress& progress,
                                                         bool* cut_at_end) {
    PlaybackSession session;
    apply_start_up(session, work_dir, path);
    Document doc;
    HeadlessInteraction ui(0, 0, 0);  // the day from midnight
    open_file(session, doc, ui, opener);
    if (!ui.file_error.empty()) throw FatalError(ui.file_error);
    if (session.open_document == nullptr || !session.decode_context) {
        throw FatalError(ui.message.empty() ? "no file was opened" : ui.message);
    }
    session.data_file = std::make_unique<ThrottledLengthSource>(std::move(session.data_file),
                                                                std::chrono::milliseconds(1));
    session.playback_running = 1;
    // A record cut by the end waits for ever: the count stops there instead.
    session.follow.wait_on_cut = true;
    session.follow.watch.set_grace(GrowthWatch::Clock::duration::max());

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
        if (playback_caught_up(session, session.data_file->length())) break;
    }
    if (cut_at_end) *cut_at_end = session.follow.waiting();
    progress.keep_going(session.data_file->length(), session.data_file->length());
    return stats;
}

}  // namespace korvel
