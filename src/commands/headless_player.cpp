#include "commands/headless_player.h"

#include <chrono>
#include <memory>
#include <utility>

#include "commands/open_file.h"
#include "commands/open_file_reading.h"
#include "common/fatal_error.h"

namespace korvel {

HeadlessPlayer::HeadlessPlayer(HeadlessStart start, FileOpener& opener, const PlayerClock& clock)
    : player_(clock),
      ui_(start.hour, start.minute, start.second),
      opener_(opener),
      missing_index_fatal_(start.missing_index_fatal) {
    PlaybackSession& s = session();
    apply_start_up(s, std::move(start.work_dir), std::move(start.path));
    s.async_view = start.view == HeadlessView::async ? 1 : 0;
    s.sync_view = start.view == HeadlessView::sync ? 1 : 0;
    player_.set_decode_ahead(start.decode_ahead);
}

bool HeadlessPlayer::open() {
    PlaybackSession& s = session();
    if (!asked_) {
        open_file(s, doc_, ui_, opener_);
        if (s.open_document == nullptr || !s.decode_context) {
            throw FatalError(ui_.message.empty() ? "no file was opened" : ui_.message);
        }
        asked_ = true;
        auto data = std::make_unique<ThrottledLengthSource>(std::move(s.data_file),
                                                            std::chrono::milliseconds(1));
        data_ = data.get();
        s.data_file = std::move(data);
    } else if (open_waiting(s)) {
        read_recording(s, doc_, ui_);
    }
    if (open_waiting(s)) return false;
    if (!ui_.file_error.empty() && missing_index_fatal_) throw FatalError(ui_.file_error);
    player_.mark_start();
    return true;
}

uint64_t HeadlessPlayer::length_now() {
    return data_->length_now();
}

PlayEnd HeadlessPlayer::play(PlaybackView& view, PlaybackObserver* observer, StepHook* hook,
                             std::stop_token stop, int64_t max_steps) {
    session().playback_running = 1;
    for (;;) {
        // A step that waited for the file to grow goes on under its own number.
        const bool resumes = player_.waiting();
        if (!resumes && max_steps >= 0 && steps_ >= max_steps) return PlayEnd::stopped;
        const int64_t step = resumes ? steps_ : steps_ + 1;
        if (hook) hook->before_step(step);
        if (stop.stop_requested()) return PlayEnd::stopped;
        steps_ = step;
        try {
            answer_ = player_.step(view, doc_, observer);
        } catch (const FatalError&) {
            if (hook) hook->step_failed(step);
            throw;
        }
        if (hook) hook->after_step(step, session().data_file->length());
        if (answer_ != StepAnswer::stepped) return PlayEnd::end_of_data;
        if (stop.stop_requested()) return PlayEnd::stopped;
    }
}

}  // namespace korvel
