#include "display/qt/playback_controller.h"

#include <algorithm>

#include "commands/open_file_reading.h"
#include "common/fatal_error.h"
#include "display/qt/vorlex_view.h"

namespace korvel {
namespace {

constexpr int kTickMs = 200;
constexpr qint64 kMaxStepsBudgetMs = 150;  // "max" speed leaves the rest of a tick to the UI

// Cleared on every way out, an exception of any kind included, so that one failed tick never
// stops all later ones.
struct TickGuard {
    bool& flag;
    explicit TickGuard(bool& f) : flag(f) { flag = true; }
    ~TickGuard() { flag = false; }
    TickGuard(const TickGuard&) = delete;
    TickGuard& operator=(const TickGuard&) = delete;
};

}  // namespace

PlaybackController::PlaybackController(Player& player, Document& doc, CVorlex_2View& view,
                                       QObject* parent)
    : QObject(parent), player_(player), doc_(doc), view_(view) {
    connect(&timer_, &QTimer::timeout, this, &PlaybackController::run_tick);
    timer_.start(kTickMs);
    pace_clock_.start();
}

void PlaybackController::set_steps_per_tick(int n) {
    steps_per_tick_ = std::max(kRealTimeSteps, n);
    pace_ = RealTimePace();
}

void PlaybackController::stop() {
    timer_.stop();
}

bool PlaybackController::more_steps(int ran, const QElapsedTimer& clock) {
    if (steps_per_tick_ > 0) return ran < steps_per_tick_;
    if (clock.elapsed() >= kMaxStepsBudgetMs) return false;
    if (steps_per_tick_ == 0) return true;
    const PlaybackSession& s = player_.session();
    const DecodeContext* ctx = doc_.m_pContext ? doc_.m_pContext : s.decode_context.get();
    const double seconds = static_cast<double>(pace_clock_.nsecsElapsed()) / 1e9;
    return pace_.wants_step(ctx ? ctx->m_oldA : 0.0, s.line_rate, seconds);
}

void PlaybackController::report(StepAnswer answer) {
    EndState now = EndState::playing;
    if (answer == StepAnswer::waiting) now = EndState::waiting;
    if (answer == StepAnswer::end || answer == StepAnswer::shrunk) now = EndState::end;
    if (now == end_state_) return;
    end_state_ = now;
    if (now == EndState::end) emit endOfFile();
    if (now == EndState::waiting) emit waitingForData();
    if (now == EndState::playing) emit dataArrived();
}

void PlaybackController::pace_next_tick(bool straight_on) {
    const int ms = straight_on ? 0 : kTickMs;
    if (timer_.isActive() && timer_.interval() != ms) timer_.start(ms);
}

void PlaybackController::run_tick() {
    // A message box opened inside a step runs its own event loop while ticks keep coming.
    if (in_tick_) return pace_next_tick(false);
    const PlaybackSession& s = player_.session();
    if (open_waiting(s) && s.open_document != nullptr && !doc_.path_name.empty()) {
        const TickGuard guard(in_tick_);
        pace_next_tick(false);
        emit openWaiting();
        return;
    }
    if (!player_.may_step(doc_)) return pace_next_tick(false);
    int ran = 0;
    QElapsedTimer clock;
    clock.start();
    if (steps_per_tick_ == kRealTimeSteps && !more_steps(ran, clock)) return;
    StepAnswer answer = StepAnswer::stepped;
    {
        const TickGuard guard(in_tick_);
        CVorlex_2View::StepDrawing drawing(view_);
        try {
            do {
                if (doc_.m_newFile) end_state_ = EndState::playing;
                answer = player_.step(view_.playback_view(), doc_);
                ++ran;
            } while (answer == StepAnswer::stepped && player_.may_step(doc_) &&
                     more_steps(ran, clock));
        } catch (const FatalError& e) {
            timer_.stop();
            drawing.finish();
            emit fatalError(QString::fromStdString(e.text()));
            return;
        }
    }
    pace_next_tick(steps_per_tick_ == 0 && answer == StepAnswer::stepped && player_.may_step(doc_));
    if (ran > 0) emit stepped();
    if (ran > 0) report(answer);
}

}  // namespace korvel
