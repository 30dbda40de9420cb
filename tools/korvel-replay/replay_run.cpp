#include "replay_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "commands/headless_player.h"
#include "common/fatal_error.h"
#include "event_printer.h"
#include "follow_wait.h"
#include "format/header_reader.h"
#include "io/disk_file_opener.h"
#include "json_writer.h"
#include "playback/playback_session.h"
#include "playback/playback_view.h"
#include "playback/read_span.h"
#include "replay_progress.h"

namespace korvel::replay {
namespace {

using Clock = std::chrono::steady_clock;

int count_waiting(const Particle* oldest) {
    int n = 0;
    for (const Particle* p = oldest; p; p = p->newer) ++n;
    return n;
}

void emit_open_event(ReplayObserver& obs, const PlaybackSession& s, const DecodeContext& ctx) {
    const int32_t start_time =
        s.header_version == 0 ? ctx.header.v0.start_time : ctx.header.v12.start_time;
    const CivilDate d = utc_date(start_time);
    char date[32];
    std::snprintf(date, sizeof date, "%.4d/%.2d/%.2d", d.year, d.month, d.day);
    const auto minute = static_cast<int64_t>(index_minute(s.start_line, s.line_rate));
    obs.emit(obs.event("open")
                 .num("header_version", int64_t{s.header_version})
                 .num("line_rate", s.line_rate)
                 .num("line_width", int64_t{s.line_width})
                 .num("start_time", int64_t{start_time})
                 .str("date", date)
                 .num("start_seconds", int64_t{s.start_seconds})
                 .num("start_line", s.start_line)
                 .num("minute", minute)
                 .num("pos_a", int64_t{s.pos_a})
                 .num("pos_b", int64_t{s.pos_b})
                 .take());
}

// Time spent replaying and time spent waiting for a followed recording to be written.
struct ReplayTime {
    double seconds = 0.0;
    double waited = 0.0;
    bool following = false;
};

void print_summary(std::FILE* out, const std::string& file, const PlaybackSession& s,
                   const DecodeContext& ctx, const MinuteCounts& c, int64_t steps, uint64_t bytes,
                   const ReplayTime& time) {
    const double seconds = time.seconds;
    std::fprintf(out, "korvel-replay: %s\n", file.c_str());
    std::fprintf(out, "  steps      %lld\n", static_cast<long long>(steps));
    std::fprintf(out, "  records    A %lld  B %lld  (handed on %lld)\n",
                 static_cast<long long>(c.records_a), static_cast<long long>(c.records_b),
                 static_cast<long long>(c.handed_on));
    // The lines the readers handed on; the CSV's lines_a and lines_b count every decoded line.
    std::fprintf(out, "  lines      A %.0f  B %.0f  (handed on)\n", s.total_lines_a,
                 s.total_lines_b);
    if (s.async_view != 1 && s.sync_view != 1) {
        // Without a view nothing is assembled or matched: no count of zero pairs.
        std::fprintf(out, "  particles  none assembled, none matched (--view none)\n");
    } else {
        std::fprintf(out, "  particles  %lld waited; %lld pairs, %lld rejected tests\n",
                     static_cast<long long>(c.waited_a + c.waited_b),
                     static_cast<long long>(c.pairs), static_cast<long long>(c.rejects));
        std::fprintf(out, "  drops      A %lld  B %lld  (still waiting A %d  B %d)\n",
                     static_cast<long long>(c.drops_a), static_cast<long long>(c.drops_b),
                     count_waiting(ctx.queue_a.wait_oldest),
                     count_waiting(ctx.queue_b.wait_oldest));
    }
    std::fprintf(out, "  bytes      %llu\n", static_cast<unsigned long long>(bytes));
    std::fprintf(out, "  seconds    %.3f\n", seconds);
    std::fprintf(out, "  speed      %.1f MB/s\n", seconds > 0 ? bytes / seconds / 1e6 : 0.0);
    // A follower's waits for the recording to grow are not replaying: counted apart.
    if (time.following) std::fprintf(out, "  waited     %.3f s\n", time.waited);
}

std::string shrink_text(const std::string& file, uint64_t was, uint64_t now, uint64_t reached) {
    char text[160];
    std::snprintf(text, sizeof text,
                  " shrank during the replay from %llu to %llu bytes, below the %llu bytes "
                  "already read",
                  static_cast<unsigned long long>(was), static_cast<unsigned long long>(now),
                  static_cast<unsigned long long>(reached));
    return file + text;
}

int fail(std::FILE* out, FileReplay& result, ReplayObserver& obs, bool events,
         const std::string& text) {
    if (events) obs.emit(obs.event("fatal").str("text", text).take());
    std::fflush(out);
    result.fatal_text = text;
    return 1;
}

// Passes every step event to each of the observers that watch a replay: the printer, the
// per-minute counts, the pair rows.
class TeeObserver : public PlaybackObserver {
  public:
    explicit TeeObserver(std::vector<PlaybackObserver*> to) : to_(std::move(to)) {}
    void on_record(const DecodedRecordEvent& ev) override {
        for (PlaybackObserver* o : to_) o->on_record(ev);
    }
    void on_wait(Camera camera, const Particle& p) override {
        for (PlaybackObserver* o : to_) o->on_wait(camera, p);
    }
    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override {
        for (PlaybackObserver* o : to_) o->on_match(a, b, outcome);
    }

  private:
    std::vector<PlaybackObserver*> to_;
};

// A followed recording: the steps wait at its end and at a record cut there, until it has
// not grown for idle_seconds.
void start_following(Player& player, double idle_seconds) {
    player.set_follow(FollowMode::wait_at_end,
                      std::chrono::duration_cast<GrowthWatch::Clock::duration>(
                          std::chrono::duration<double>(idle_seconds)));
}

// What korvel-replay does around each step: numbers the events, follows the bytes read,
// fails a file that shrank below them, shows progress and stops once the output is lost.
class ReplayHook : public StepHook {
  public:
    ReplayHook(HeadlessPlayer& player, ReplayObserver& obs, const std::string& file, std::FILE* out,
               ReplayProgress& progress, size_t file_number)
        : player_(player),
          obs_(obs),
          file_(file),
          out_(out),
          progress_(progress),
          file_number_(file_number),
          length_(player.length_now()),
          longest_(length_) {}

    void before_step(int64_t step) override {
        obs_.set_step(step);
        if (stop_requested()) stop_.request_stop();  // SIGINT/SIGTERM/SIGHUP while following
    }

    void after_step(int64_t, uint64_t length) override {
        const PlaybackSession& s = player_.session();
        length_ = length;
        if (player_.answer() == StepAnswer::shrunk) fail_shrunk();
        longest_ = std::max(longest_, length);
        if (std::ferror(out_)) stop_.request_stop();  // nobody would see the rest
        progress_.update(file_number_, std::min<uint64_t>(s.pos_a, s.pos_b), length);
    }

    // A read error is the file's shrinking when it shrank.
    void step_failed(int64_t) override {
        if (player_.player().answer(player_.length_now()) == StepAnswer::shrunk) fail_shrunk();
    }

    std::stop_token stop_token() const { return stop_.get_token(); }
    const ReadSpan& span() const { return player_.player().span(); }
    uint64_t length() const { return length_; }

  private:
    // A file cut shorter than what was already read (another program truncated it) has lost
    // data the replay counted on: that ends the replay as a failure, not at an end.
    [[noreturn]] void fail_shrunk() {
        const uint64_t reached = span().reached();
        throw FatalError(shrink_text(file_, longest_, player_.length_now(), reached));
    }

    HeadlessPlayer& player_;
    ReplayObserver& obs_;
    const std::string& file_;
    std::FILE* out_;
    ReplayProgress& progress_;
    size_t file_number_;
    uint64_t length_;
    uint64_t longest_;
    std::stop_source stop_;
};

HeadlessView headless_view(ViewMode mode) {
    switch (mode) {
        case ViewMode::async:
            return HeadlessView::async;
        case ViewMode::sync:
            return HeadlessView::sync;
        case ViewMode::none:
            break;
    }
    return HeadlessView::none;
}

}  // namespace

int replay_file(const ReplayOptions& o, const std::string& file, std::FILE* out,
                ReplayProgress& progress, size_t file_number, FileReplay& result,
                ReplayDrawing* drawing) {
    HeadlessStart start;
    start.path = file;
    start.work_dir = o.corrections_dir;
    if (start.work_dir.empty()) {
        // A start-up directory that cannot be told (deleted as the program starts) leaves it
        // empty: then there is no correction file, rather than one in the root directory.
        std::error_code ec;
        start.work_dir = std::filesystem::current_path(ec).string();
        if (ec) start.work_dir.clear();
    }
    // The start time from --start. An index file that can't be opened is fatal here: a
    // replay has nothing sensible to go on with.
    start.hour = o.start_hour;
    start.minute = o.start_minute;
    start.second = o.start_second;
    start.view = headless_view(o.view);
    start.decode_ahead = o.threads > 1;
    DiskFileOpener opener;
    HeadlessPlayer player(std::move(start), opener);
    NullPlaybackView null_view;
    PlaybackView& view = drawing ? drawing->view_for(player.session()) : null_view;
    ReplayObserver obs(out, o.events, file);
    const auto started = Clock::now();
    Clock::duration waited{};
    try {
        bool following = o.follow;
        if (following) start_following(player.player(), o.follow_idle);
        // A recording still being created is waited for before it can be opened.
        while (!player.open()) {
            const auto paused = Clock::now();
            const bool go_on = pause_unless_stopped();
            waited += Clock::now() - paused;
            if (!go_on) throw FatalError(file + ": stopped before the recording could be read");
        }
        const PlaybackSession& session = player.session();
        DecodeContext& ctx = player.context();
        if (o.events) emit_open_event(obs, session, ctx);
        result.minutes = std::make_unique<MinuteStatistics>(session.line_rate);
        MinuteStatistics& counts = *result.minutes;
        if (result.pairs_to != nullptr) {
            result.pairs = std::make_unique<PairRows>(result.pairs_to, session.line_rate,
                                                      result.pairs_file_column);
        }
        // The printer only with events; the counts always (they are the summary too).
        std::vector<PlaybackObserver*> watchers;
        if (o.events) watchers.push_back(&obs);
        watchers.push_back(&counts);
        if (result.pairs) watchers.push_back(result.pairs.get());
        TeeObserver tee(std::move(watchers));

        ReplayHook hook(player, obs, file, out, progress, file_number);
        for (;;) {
            const PlayEnd end = player.play(view, &tee, &hook, hook.stop_token(), o.max_steps);
            if (!following || end == PlayEnd::stopped) break;
            // Caught up with the file: wait for it to grow, as tail -f does.
            const auto paused = Clock::now();
            const FollowWait wait = wait_for_growth(player, hook.length());
            waited += Clock::now() - paused;
            if (wait == FollowWait::grew) continue;
            if (wait == FollowWait::stopped) break;
            // Finished: a waiting step now ends as it does on the finished file.
            following = false;
            player.player().finish();
            if (!player.player().waiting()) break;
        }
        progress.update(file_number, hook.length(), hook.length());
        ReplayTime time;
        time.following = o.follow;
        time.waited = std::chrono::duration<double>(waited).count();
        time.seconds =
            std::chrono::duration<double>(Clock::now() - started).count() - time.waited;
        if (o.events) {
            obs.emit(obs.event("end")
                         .num("steps", player.steps())
                         .num("pos_a", int64_t{session.pos_a})
                         .num("pos_b", int64_t{session.pos_b})
                         .num("total_lines_a", session.total_lines_a)
                         .num("total_lines_b", session.total_lines_b)
                         .num("waiting_a", int64_t{count_waiting(ctx.queue_a.wait_oldest)})
                         .num("waiting_b", int64_t{count_waiting(ctx.queue_b.wait_oldest)})
                         .take());
        } else {
            print_summary(out, file, session, ctx, counts.totals(), player.steps(),
                          hook.span().bytes(), time);
        }
        if (drawing && !drawing->finish(result.drawing_error)) {
            std::fflush(out);
            return 1;
        }
        return 0;
    } catch (const FatalError& e) {
        return fail(out, result, obs, o.events, e.text());
    }
}

}  // namespace korvel::replay
