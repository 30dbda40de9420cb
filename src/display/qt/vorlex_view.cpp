#include "display/qt/vorlex_view.h"

#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTimerEvent>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "common/fatal_error.h"
#include "commands/open_file_reading.h"
#include "playback/playback_step.h"

namespace korvel {
namespace {

constexpr int kTickMs = 200;
constexpr qint64 kMaxStepsBudgetMs = 150;  // "max" speed leaves the rest of a tick to the UI
// A file seen growing this recently is taken to be still written.
constexpr auto kGrowingShownFor = std::chrono::seconds(10);

}  // namespace

CVorlex_2View::CVorlex_2View(PlaybackSession& session, Document& doc, QWidget* parent)
    : QWidget(parent), session_(session), doc_(doc), display_(session, canvas_) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Inside a tick the changes are shown once, when the tick's steps are done.
    canvas_.set_update_callback([this] {
        if (!in_step_) show_changes();
    });
    fit_canvas();
    m_timerId = startTimer(kTickMs);
    pace_clock_.start();
}

void CVorlex_2View::set_steps_per_tick(int n) {
    steps_per_tick_ = std::max(kRealTimeSteps, n);
    pace_ = RealTimePace();
}

bool CVorlex_2View::more_steps(int ran, const QElapsedTimer& clock) {
    if (steps_per_tick_ > 0) return ran < steps_per_tick_;
    if (clock.elapsed() >= kMaxStepsBudgetMs) return false;
    if (steps_per_tick_ == 0) return true;
    const DecodeContext* ctx = doc_.m_pContext ? doc_.m_pContext : session_.decode_context.get();
    const double seconds = static_cast<double>(pace_clock_.nsecsElapsed()) / 1e9;
    return pace_.wants_step(ctx ? ctx->m_oldA : 0.0, session_.line_rate, seconds);
}

QSize CVorlex_2View::device_size() const {
    const qreal ratio = devicePixelRatioF();
    return QSize(static_cast<int>(std::lround(width() * ratio)),
                 static_cast<int>(std::lround(height() * ratio)));
}

void CVorlex_2View::fit_canvas() {
    canvas_.set_dpi_y(logicalDpiY());
    if (canvas_.size() != device_size()) canvas_.resize(device_size());
}

QImage CVorlex_2View::picture() const {
    QImage shown = canvas_.image();
    shown.setDevicePixelRatio(devicePixelRatioF());
    return shown;
}

void CVorlex_2View::show_changes() {
    const DeviceRect r = canvas_.take_changed();
    if (is_empty(r)) return;
    // Device pixels to the widget's coordinates, rounded outward, and a pixel more for a
    // pixel ratio that is not whole.
    const qreal ratio = devicePixelRatioF();
    const int left = static_cast<int>(std::floor(r.left / ratio)) - 1;
    const int top = static_cast<int>(std::floor(r.top / ratio)) - 1;
    const int right = static_cast<int>(std::ceil(r.right / ratio)) + 1;
    const int bottom = static_cast<int>(std::ceil(r.bottom / ratio)) + 1;
    update(QRect(left, top, right - left, bottom - top));
}

void CVorlex_2View::paintEvent(QPaintEvent*) {
    fit_canvas();  // the pixel ratio changes without a resize when the window changes screens
    QPainter p(this);
    p.drawImage(QRectF(QPointF(0, 0), QSizeF(size())), canvas_.image());
}

void CVorlex_2View::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fit_canvas();
}

void CVorlex_2View::timerEvent(QTimerEvent* event) {
    QWidget::timerEvent(event);
    run_tick();
}

bool CVorlex_2View::at_end_of_data() const {
    return playback_caught_up(session_, session_.data_file->length());
}

void CVorlex_2View::report_end_state() {
    EndState now = EndState::playing;
    if (at_end_of_data()) {
        // A file that grew lately is being written: more is to come.
        const bool growing = session_.follow.watch.grew_within(kGrowingShownFor);
        now = growing ? EndState::waiting : EndState::end;
    }
    if (now == end_state_) return;
    end_state_ = now;
    if (now == EndState::end) emit endOfFile();
    if (now == EndState::waiting) emit waitingForData();
    if (now == EndState::playing) emit dataArrived();
}

namespace {

// Cleared on every way out, an exception of any kind included, so that one failed tick never
// stops all later ones.
struct StepGuard {
    bool& flag;
    explicit StepGuard(bool& f) : flag(f) { flag = true; }
    ~StepGuard() { flag = false; }
    StepGuard(const StepGuard&) = delete;
    StepGuard& operator=(const StepGuard&) = delete;
};

}  // namespace

void CVorlex_2View::run_tick() {
    // A message box opened inside a step runs its own event loop while ticks keep coming.
    if (in_step_) return;
    if (open_waiting(session_) && session_.open_document != nullptr && !doc_.path_name.empty()) {
        const StepGuard guard(in_step_);
        emit openWaiting();
        return;
    }
    if (!playback_step_may_run(session_, doc_)) return;
    int ran = 0;
    QElapsedTimer clock;
    clock.start();
    if (steps_per_tick_ == kRealTimeSteps && !more_steps(ran, clock)) return;
    {
        const StepGuard guard(in_step_);
        try {
            fit_canvas();
            do {
                if (doc_.m_newFile) end_state_ = EndState::playing;
                DecodeContext& ctx = doc_.m_pContext ? *doc_.m_pContext : *session_.decode_context;
                playback_step(session_, display_, doc_, ctx);
                ++ran;
                if (at_end_of_data()) break;
            } while (playback_step_may_run(session_, doc_) && more_steps(ran, clock));
        } catch (const FatalError& e) {
            killTimer(m_timerId);
            m_timerId = 0;
            show_changes();
            emit fatalError(QString::fromStdString(e.text()));
            return;
        }
    }
    show_changes();
    if (ran > 0) emit stepped();
    if (ran > 0) report_end_state();
}

void CVorlex_2View::exit_command() {
    if (m_timerId != 0) killTimer(m_timerId);
    m_timerId = 0;
    // Closing a file object is destroying it; the index file goes only with the data file.
    if (session_.data_file) {
        session_.data_file.reset();
        session_.index_file.reset();
    }
    if (QWidget* main = window()) main->close();
}

}  // namespace korvel
