// Fuzzes a whole replay: Open on a recording and its index held in memory, then playback
// steps until both cameras have read to the end of the data, in the view the input selects
// (see replay_input.h for the input's layout). After every step the queues are walked and
// every waiting particle is checked; the view and the observer check what they are handed.

#include <memory>
#include <string>

#include "commands/open_file.h"
#include "common/fatal_error.h"
#include "error_texts.h"
#include "fuzz_require.h"
#include "io/memory_file_opener.h"
#include "playback/playback_step.h"
#include "queue_checks.h"
#include "replay_input.h"

namespace korvel::fuzz {
namespace {

const char* const kDataPath = "/fuzz/recording.ab";
const char* const kIndexPath = "/fuzz/recording.abh";
// The opener holds no correction file there, which is the normal, silent case.
const char* const kWorkDir = "/nonexistent-korvel-fuzz-dir";

class FuzzInteraction : public UserInteraction {
  public:
    FuzzInteraction(int h, int m, int s) : h_(h), m_(m), s_(s) {}
    bool choose_file(std::string&, std::string&) override {
        require(false, "the file comes from the command line, no dialog is shown");
        return false;
    }
    bool choose_start_time(int& hour, int& minute, int& second) override {
        hour = h_;
        minute = m_;
        second = s_;
        return true;
    }
    void show_message(const std::string&) override {
        require(false, "a first Open never finds a file already open");
    }
    void report_file_error(const std::string& text) override { index_error = text; }
    void add_recent_file(const std::string&) override {}
    void set_title(const std::string&) override {}
    void repaint_views() override {}
    CivilDate local_today() override { return CivilDate{}; }

    std::string index_error;

  private:
    int h_, m_, s_;
};

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

class CheckingObserver : public PlaybackObserver {
  public:
    void on_record(const DecodedRecordEvent& e) override {
        require(e.n >= 1 && e.n <= kMaxLinesPerRecord, "a record event has 1 to 2000 lines");
    }
    void on_wait(const Particle& p) override {
        check_waiting_particle(p);
        require(p.owner == 'V' || p.owner == 'W', "a particle that waits is in a wait queue");
    }
    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override {
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
};

void replay(const ReplayInput& in) {
    MemoryFileOpener opener;
    opener.add(kDataPath, in.ab);
    if (!in.no_index) opener.add(kIndexPath, in.abh);

    PlaybackSession session;
    apply_start_up(session, kWorkDir, kDataPath);
    session.async_view = in.view == ReplayView::async ? 1 : 0;
    session.sync_view = in.view == ReplayView::sync ? 1 : 0;
    Document doc;
    FuzzInteraction ui(in.hour, in.minute, in.second);
    CheckingView view;
    CheckingObserver observer;

    try {
        open_file(session, doc, ui, opener);
    } catch (const FatalError& e) {
        require(is_replay_error(e.text()), "Open fails only with a defined text");
        return;
    }
    require(session.open_document == &doc && session.decode_context != nullptr,
            "a file is open after Open returns");
    require(ui.index_error.empty() == !in.no_index, "only a missing index file is reported");
    if (!ui.index_error.empty())
        require(session.pos_a == 0 && session.pos_b == 0,
                "without an index playback starts at byte 0");

    DecodeContext& ctx = *session.decode_context;
    session.playback_running = 1;
    const uint64_t length = in.ab.size();
    // Each step reads at least one record of 4 bytes or more, or finishes both cameras.
    const uint64_t step_limit = length / 4 + 2;
    uint64_t steps = 0;
    try {
        while (session.pos_a < length || session.pos_b < length) {
            const uint32_t a_before = session.pos_a;
            const uint32_t b_before = session.pos_b;
            playback_step(session, view, doc, ctx, &observer);
            require(session.pos_a >= a_before && session.pos_b >= b_before,
                    "read positions never move back");
            require(session.pos_a > a_before || session.pos_b > b_before || length == 0,
                    "every step reads on");
            check_queues(ctx, true);
            require(++steps <= step_limit, "playback reaches the end of the data");
        }
    } catch (const FatalError& e) {
        require(is_replay_error(e.text()), "playback fails only with a defined text");
        check_queues(ctx, false);
    }
}

}  // namespace
}  // namespace korvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 18) return 0;
    korvel::fuzz::replay(korvel::fuzz::unpack_replay_input(data, size));
    return 0;
}
