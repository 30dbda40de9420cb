// Fuzzes a whole replay: Open on a recording and its index held in memory, then playback
// steps until both cameras have read to the end of the data, in the view the input selects
// (see replay_input.h for the input's layout). After every step the queues are walked and
// every waiting particle is checked; the view and the observer check what they are handed.
// Each input is played twice, with the records decoded ahead on a second thread and with
// the steps decoding alone, and both must report the same.

#include <cstdio>
#include <string>
#include <utility>

#include "commands/headless_player.h"
#include "common/fatal_error.h"
#include "error_texts.h"
#include "fuzz_require.h"
#include "io/memory_file_opener.h"
#include "queue_checks.h"
#include "replay_input.h"

namespace korvel::fuzz {
namespace {

const char* const kDataPath = "/fuzz/recording.ab";
const char* const kIndexPath = "/fuzz/recording.abh";
// The opener holds no correction file there, which is the normal, silent case.
const char* const kWorkDir = "/nonexistent-korvel-fuzz-dir";

class CheckingView : public PlaybackView {
  public:
    void DrawScale() override {}
    void DrawCameraLines(Camera, int16_t n, const DecodeContext& ctx) override {
        require(n >= 1 && n <= kMaxLinesPerRecord && n == ctx.line_count,
                "the view is handed the record's 1 to 2000 lines");
    }
    void DrawMatch(const Particle* a, const Particle* b, int matched) override {
        require(matched == 0 || matched == 1, "a drawn decision is matched or not");
        require(a != nullptr || b != nullptr, "a drawn decision names a particle");
        if (a) check_waiting_particle(*a);
        if (b) check_waiting_particle(*b);
    }
};

// What a run reported, in order: enough to tell two runs apart.
class RunLog {
  public:
    void add(const char* what, double a, double b, double c) {
        char text[96];
        std::snprintf(text, sizeof text, "%s %.17g %.17g %.17g\n", what, a, b, c);
        text_ += text;
    }
    void add(const char* what, const Particle* p) {
        if (p == nullptr) return add(what, -1, -1, -1);
        add(what, p->y_first, p->y_last, p->line_count);
        add(what, p->x_min, p->x_max, p->max_width);
    }
    void add_text(const std::string& text) { text_ += text + "\n"; }
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

class CheckingObserver : public PlaybackObserver {
  public:
    explicit CheckingObserver(RunLog& log) : log_(log) {}

    void on_record(const DecodedRecordEvent& e) override {
        require(e.n >= 1 && e.n <= kMaxLinesPerRecord, "a record event has 1 to 2000 lines");
        log_.add(e.camera == Camera::A ? "record A" : "record B", e.pos, e.n, e.handed_on);
        log_.add("lines", e.y_first, e.y_last, 0);
    }
    void on_wait(Camera camera, const Particle& p) override {
        log_.add(camera == Camera::A ? "wait A" : "wait B", &p);
        check_waiting_particle(p);
        require(p.owner == (camera == Camera::A ? 'V' : 'W'),
                "a particle that waits is in its camera's wait queue");
    }
    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override {
        log_.add("match", static_cast<int>(outcome), 0, 0);
        log_.add("a", a);
        log_.add("b", b);
        const bool both = outcome == MatchOutcome::pair || outcome == MatchOutcome::reject;
        require(both                              ? a && b
                : outcome == MatchOutcome::drop_a ? a && !b
                                                  : !a && b,
                "a decision names the particles its outcome needs");
        if (a) {
            check_waiting_particle(*a);
            require(a->owner == 'V', "camera A's particle comes from its wait queue");
        }
        if (b) {
            check_waiting_particle(*b);
            require(b->owner == 'W', "camera B's particle comes from its wait queue");
        }
    }

  private:
    RunLog& log_;
};

// After every step: the read positions only move forward and every step reads on, the
// queues hold together, and the replay comes to an end.
class CheckingHook : public StepHook {
  public:
    CheckingHook(HeadlessPlayer& player, uint64_t length)
        : player_(player),
          length_(length),
          // Each step reads at least one record of 4 bytes or more, or finishes both cameras.
          step_limit_(static_cast<int64_t>(length / 4 + 2)) {}

    void before_step(int64_t step) override {
        require(step <= step_limit_, "playback reaches the end of the data");
        a_before_ = player_.session().pos_a;
        b_before_ = player_.session().pos_b;
    }
    void after_step(int64_t, uint64_t length) override {
        const PlaybackSession& s = player_.session();
        require(length == length_, "a file held in memory keeps its length");
        require(s.pos_a >= a_before_ && s.pos_b >= b_before_, "read positions never move back");
        // A step that starts with both cameras at the end (an index may point there) has
        // nothing to read.
        const bool at_end = a_before_ >= length_ && b_before_ >= length_;
        require(s.pos_a > a_before_ || s.pos_b > b_before_ || at_end, "every step reads on");
        check_queues(player_.context(), true);
    }

  private:
    HeadlessPlayer& player_;
    uint64_t length_;
    int64_t step_limit_;
    uint32_t a_before_ = 0;
    uint32_t b_before_ = 0;
};

HeadlessView headless_view(ReplayView view) {
    switch (view) {
        case ReplayView::async:
            return HeadlessView::async;
        case ReplayView::sync:
            return HeadlessView::sync;
        case ReplayView::none:
            break;
    }
    return HeadlessView::none;
}

// One replay of the input; what it reported goes to log.
void replay_once(const ReplayInput& in, bool decode_ahead, RunLog& log) {
    MemoryFileOpener opener;
    opener.add(kDataPath, in.ab);
    if (!in.no_index) opener.add(kIndexPath, in.abh);

    HeadlessStart start;
    start.path = kDataPath;
    start.work_dir = kWorkDir;
    start.hour = in.hour;
    start.minute = in.minute;
    start.second = in.second;
    start.view = headless_view(in.view);
    start.missing_index_fatal = false;  // the viewer plays on from byte 0
    start.decode_ahead = decode_ahead;
    HeadlessPlayer player(std::move(start), opener);
    CheckingView view;
    CheckingObserver observer(log);

    try {
        player.open();
    } catch (const FatalError& e) {
        require(is_replay_error(e.text()), "Open fails only with a defined text");
        log.add_text(e.text());
        return;
    }
    const PlaybackSession& session = player.session();
    const HeadlessInteraction& ui = player.interaction();
    require(ui.message.empty(), "a first Open never finds a file already open");
    require(ui.file_error.empty() == !in.no_index, "only a missing index file is reported");
    if (!ui.file_error.empty())
        require(session.pos_a == 0 && session.pos_b == 0,
                "without an index playback starts at byte 0");

    CheckingHook hook(player, in.ab.size());
    try {
        require(player.play(view, &observer, &hook) == PlayEnd::end_of_data,
                "a replay nobody stops ends at the end of the data");
    } catch (const FatalError& e) {
        require(is_replay_error(e.text()), "playback fails only with a defined text");
        check_queues(player.context(), false);
        log.add_text(e.text());
    }
    log.add("end", player.steps(), session.pos_a, session.pos_b);
}

void replay(const ReplayInput& in) {
    RunLog ahead;
    RunLog alone;
    replay_once(in, true, ahead);
    replay_once(in, false, alone);
    require(ahead.text() == alone.text(), "decoding ahead changes nothing a replay reports");
}

}  // namespace
}  // namespace korvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 18) return 0;
    korvel::fuzz::replay(korvel::fuzz::unpack_replay_input(data, size));
    return 0;
}
