#include "commands/headless_player.h"

#include <chrono>
#include <memory>
#include <exception>
#include <utility>

#include "commands/open_file.h"
#include "commands/open_file_reading.h"
#include "common/fatal_error.h"
#include "playback/playback_step.h"

namespace korvel {

HeadlessPlayer::HeadlessPlayer(HeadlessStart start, FileOpener& opener)
    : ui_(start.hour, start.minute, start.second),
      opener_(opener),
      missing_index_fatal_(start.missing_index_fatal),
      decode_ahead_(start.decode_ahead) {
    apply_start_up(session_, std::move(start.work_dir), std::move(start.path));
    session_.async_view = start.view == HeadlessView::async ? 1 : 0;
    session_.sync_view = start.view == HeadlessView::sync ? 1 : 0;
}

bool HeadlessPlayer::open() {
    if (!asked_) {
        open_file(session_, doc_, ui_, opener_);
        if (session_.open_document == nullptr || !session_.decode_context) {
            throw FatalError(ui_.message.empty() ? "no file was opened" : ui_.message);
        }
        asked_ = true;
        auto data = std::make_unique<ThrottledLengthSource>(std::move(session_.data_file),
                                                            std::chrono::milliseconds(1));
        data_ = data.get();
        session_.data_file = std::move(data);
    } else if (open_waiting(session_)) {
        read_recording(session_, doc_, ui_);
    }
    if (open_waiting(session_)) return false;
    if (!ui_.file_error.empty() && missing_index_fatal_) throw FatalError(ui_.file_error);
    if (decode_ahead_ && !ahead_) {
        if (std::unique_ptr<ByteSource> own = session_.data_file->open_another()) {
            // The thread takes camera B's records, the steps camera A's: the two halves of
            // the work. Assembly ahead pays only where a view is on.
            const bool views_on = session_.async_view == 1 || session_.sync_view == 1;
            try {
                ahead_ = std::make_unique<DecodeAhead>(std::move(own), session_.header_version,
                                                       Camera::B, views_on);
                session_.decode_ahead = ahead_.get();
            } catch (const std::exception&) {
                // No thread or no memory to be had: the steps decode alone, with the same
                // results.
            }
        }
    }
    return true;
}

uint64_t HeadlessPlayer::length_now() {
    return data_->length_now();
}

PlayEnd HeadlessPlayer::play(PlaybackView& view, PlaybackObserver* observer, StepHook* hook,
                             std::stop_token stop, int64_t max_steps) {
    DecodeContext& ctx = *session_.decode_context;
    session_.playback_running = 1;
    for (;;) {
        // A step that waited for the file to grow goes on under its own number.
        const bool resumes = session_.follow.waiting();
        if (!resumes && max_steps >= 0 && steps_ >= max_steps) return PlayEnd::stopped;
        const int64_t step = resumes ? steps_ : steps_ + 1;
        if (hook) hook->before_step(step);
        if (stop.stop_requested()) return PlayEnd::stopped;
        steps_ = step;
        try {
            playback_step(session_, view, doc_, ctx, observer);
        } catch (const FatalError&) {
            if (hook) hook->step_failed(step);
            throw;
        }
        const uint64_t length = session_.data_file->length();
        if (hook) hook->after_step(step, length);
        if (playback_caught_up(session_, length)) return PlayEnd::end_of_data;
        if (stop.stop_requested()) return PlayEnd::stopped;
    }
}

}  // namespace korvel
