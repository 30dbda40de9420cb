#include "replay_columns.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "common/fatal_error.h"
#include "format/header_reader.h"
#include "io/disk_file_opener.h"
#include "statistics/pair_decision.h"

namespace korvel::python {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The reports leave a line number that is no number empty: NaN here.
double number(double value) {
    return std::isfinite(value) ? value : kNaN;
}

class Observers : public PlaybackObserver {
  public:
    Observers(MinuteStatistics* minutes, PairColumns* pairs) : minutes_(minutes), pairs_(pairs) {}
    void on_record(const DecodedRecordEvent& ev) override {
        if (minutes_) minutes_->on_record(ev);
    }
    void on_wait(Camera camera, const Particle& p) override {
        if (minutes_) minutes_->on_wait(camera, p);
    }
    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override {
        if (minutes_) minutes_->on_match(a, b, outcome);
        if (pairs_) pairs_->on_match(a, b, outcome);
    }

  private:
    MinuteStatistics* minutes_;
    PairColumns* pairs_;
};

// Asks the poll now and then: the one place a replay running without the interpreter's lock
// looks back at it (for Ctrl+C and progress).
class PollHook : public StepHook {
  public:
    using Clock = std::chrono::steady_clock;

    PollHook(HeadlessPlayer& player, const ReplayPoll& poll, Clock::duration interval,
             ReplayResult& result)
        : player_(player), poll_(poll), interval_(interval), next_(Clock::now() + interval),
          result_(result) {}

    void after_step(int64_t step, uint64_t length) override {
        const PlaybackSession& s = player_.session();
        result_.bytes_done = std::min<uint64_t>(std::min(s.pos_a, s.pos_b), length);
        result_.bytes_total = length;
        if (!poll_ || step % 64 != 0) return;
        const auto now = Clock::now();
        if (now < next_) return;
        next_ = now + interval_;
        if (!poll_(result_.bytes_done, length)) {
            result_.stopped = true;
            stop_.request_stop();
        }
    }

    std::stop_token token() const { return stop_.get_token(); }

  private:
    HeadlessPlayer& player_;
    const ReplayPoll& poll_;
    Clock::duration interval_;
    Clock::time_point next_;
    ReplayResult& result_;
    std::stop_source stop_;
};

}  // namespace

void PairColumns::add(Side& side, const Particle* p) {
    side.present.push_back(p != nullptr);
    side.y_first.push_back(p ? number(p->y_first) : kNaN);
    side.y_last.push_back(p ? number(p->y_last) : kNaN);
    side.line_count.push_back(p ? p->line_count : 0);
    side.max_width.push_back(p ? p->max_width : 0);
    side.x_min.push_back(p ? p->x_min : 0);
    side.x_max.push_back(p ? p->x_max : 0);
}

void PairColumns::on_match(const Particle* pa, const Particle* pb, MatchOutcome result) {
    PairDecision d;
    if (!describe_pair_decision(pa, pb, result, line_rate_, d)) return;
    const std::string time = time_of_day_ms(d.time_line, line_rate_);
    if (time.size() > time_width) {
        // A longer time than any before (hours beyond 99999): widen every entry held.
        std::string wider(times.size() / time_width * time.size(), '\0');
        for (size_t i = 0; i < times.size() / time_width; ++i) {
            std::memcpy(&wider[i * time.size()], &times[i * time_width], time_width);
        }
        times.swap(wider);
        time_width = time.size();
    }
    times.append(time);
    times.append(time_width - time.size(), '\0');
    outcome.push_back(static_cast<int8_t>(d.outcome));
    add(a, d.a);
    add(b, d.b);
    lag_lines.push_back(d.has_lag ? number(d.lag_lines) : kNaN);
    lag_ms.push_back(d.has_lag ? number(d.lag_ms) : kNaN);
}

HeaderFacts header_facts(const PlaybackSession& session, const DecodeContext& ctx) {
    HeaderFacts h;
    h.header_version = session.header_version;
    h.line_rate = session.line_rate;
    h.line_width = session.line_width;
    h.start_time = session.header_version == 0 ? ctx.header.v0.start_time
                                               : ctx.header.v12.start_time;
    const CivilDate date = utc_date(h.start_time);
    h.year = date.year;
    h.month = date.month;
    h.day = date.day;
    return h;
}

ReplayResult replay(const ReplayRequest& request, const ReplayPoll& poll,
                    std::chrono::steady_clock::duration poll_interval) {
    ReplayResult result;
    HeadlessStart start;
    start.path = request.path;
    start.work_dir = request.work_dir;
    start.hour = request.hour;
    start.minute = request.minute;
    start.second = request.second;
    start.view = request.view;
    start.decode_ahead = request.decode_ahead;
    DiskFileOpener opener;
    HeadlessPlayer player(std::move(start), opener);
    try {
        // Not followed: Open either opens the file or raises its error.
        if (!player.open()) throw FatalError("no file was opened");
        const PlaybackSession& s = player.session();
        const DecodeContext& ctx = player.context();
        result.opened = true;
        result.header = header_facts(s, ctx);
        if (request.minutes) result.minutes = std::make_unique<MinuteStatistics>(s.line_rate);
        if (request.pairs) result.pairs = std::make_unique<PairColumns>(s.line_rate);
        Observers observers(result.minutes.get(), result.pairs.get());
        NullPlaybackView view;
        PollHook hook(player, poll, poll_interval, result);
        player.play(view, &observers, &hook, hook.token(), request.max_steps);
    } catch (const FatalError& e) {
        result.fatal_text = e.text();
    }
    result.steps = player.steps();
    return result;
}

}  // namespace korvel::python
