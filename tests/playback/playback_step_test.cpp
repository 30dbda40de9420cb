#include "playback/playback_step.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "input/close_file.h"
#include "input/memory_file_opener.h"
#include "input/memory_source.h"
#include "input/open_file.h"
#include "input/recording_writer.h"
#include "support/fatal_text.h"
#include "support/step_recording.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

using Strings = std::vector<std::string>;

std::string format(const char* fmt, double a, double b) {
    char text[64];
    std::snprintf(text, sizeof text, fmt, a, b);
    return text;
}

// The dialogs of Open answered directly: the file a test names, the start time it sets.
class ScriptedUser : public UserInteraction {
  public:
    std::string path;
    int hour = 0, minute = 0, second = 0;
    Strings file_errors;

    bool choose_file(std::string& p, std::string& title) override {
        p = path;
        title = path;
        return true;
    }
    bool choose_start_time(int& h, int& m, int& s) override {
        h = hour;
        m = minute;
        s = second;
        return true;
    }
    void show_message(const std::string&) override {}
    void report_file_error(const std::string& text) override { file_errors.push_back(text); }
    void add_recent_file(const std::string&) override {}
    void set_title(const std::string&) override {}
    void repaint_views() override {}
    CivilDate local_today() override { return CivilDate{2024, 1, 1}; }
};

// Logs what the step asks the view to draw. A DrawCameraLines entry also tells what the
// context held at that moment, which is what the drawing reads.
class RecordingView : public PlaybackView {
  public:
    int scales = 0;
    int resets = 0;
    Strings lines;
    Strings matches;

    void reset_playback_state() override {
        ++resets;
        PlaybackView::reset_playback_state();
    }
    void DrawScale() override { ++scales; }
    void DrawCameraLines(int16_t camera, int16_t n, const DecodeContext& ctx) override {
        char text[96];
        std::snprintf(text, sizeof text, "%d n=%d buf=%d %.0f..%.0f", camera, n, ctx.line_count,
                      ctx.line_buf[0].y_count, ctx.line_buf[static_cast<size_t>(n - 1)].y_count);
        lines.push_back(text);
    }
    void DrawMatch(const Particle* a, const Particle* b, int matched) override {
        matches.push_back(format("%.0f/%.0f", a ? a->y_first : -1, b ? b->y_first : -1) + " " +
                          std::to_string(matched));
    }
};

const char* outcome_name(MatchOutcome o) {
    switch (o) {
        case MatchOutcome::pair:
            return "pair";
        case MatchOutcome::reject:
            return "reject";
        case MatchOutcome::drop_a:
            return "drop_a";
        case MatchOutcome::drop_b:
            return "drop_b";
    }
    return "?";
}

// Logs what the step reports: records as "A@pos n=4 1000..1003 on", particles moved to a
// wait queue by their owner and first line, decisions as "pair 1000/1100" (-1 for none).
class RecordingObserver : public PlaybackObserver {
  public:
    Strings records;
    Strings waits;
    Strings decisions;

    void on_record(const DecodedRecordEvent& e) override {
        records.push_back(
            describe(e.camera == 1 ? 'A' : 'B', e.pos, e.n, e.y_first, e.y_last, e.handed_on));
    }
    void on_wait(const Particle& p) override {
        waits.push_back(std::string(1, static_cast<char>(p.owner)) + format(" %.0f", p.y_first, 0));
    }
    void on_match(const Particle* a, const Particle* b, MatchOutcome o) override {
        decisions.push_back(std::string(outcome_name(o)) + " " +
                            format("%.0f/%.0f", a ? a->y_first : -1, b ? b->y_first : -1));
    }

    static std::string describe(char cam, uint32_t pos, int n, double first, double last, bool on) {
        return std::string(1, cam) + "@" + std::to_string(pos) + " n=" + std::to_string(n) +
               format(" %.0f..%.0f", first, last) + (on ? " on" : " off");
    }
};

std::string rec(char cam, uint32_t pos, double first, int n = 4, bool on = true) {
    return RecordingObserver::describe(cam, pos, n, first, first + n - 1, on);
}

class PlaybackStepTest : public ::testing::Test {
  protected:
    PlaybackStepTest() { apply_start_up(session, work.path(), ""); }

    // Opens the recording with both readers placed by index_at, and starts playback.
    void open(const test::StepRecording& r, uint32_t pos_a, uint32_t pos_b,
              const std::string& path = "/data/0607.ab") {
        opener.add(path, r.ab());
        opener.add(index_path_for(path), test::index_at(pos_a, pos_b));
        user.path = path;
        open_file(session, doc, user, opener);
        ASSERT_NE(session.decode_context, nullptr);
        ASSERT_TRUE(user.file_errors.empty());
        session.playback_running = 1;
    }

    // One step; returns the records it reported.
    Strings tick() {
        const size_t before = obs.records.size();
        EXPECT_EQ(playback_step(session, view, doc, *session.decode_context, &obs), 1);
        return Strings(obs.records.begin() + static_cast<long>(before), obs.records.end());
    }
    std::string tick_error() {
        return test::fatal_text([&] { playback_step(session, view, doc, *doc.m_pContext, &obs); });
    }
    void select(int async_view, int sync_view) {
        session.async_view = async_view;
        session.sync_view = sync_view;
    }
    std::vector<uint8_t>& file_bytes() {
        return dynamic_cast<MemorySource&>(*session.data_file).bytes();
    }
    const ViewPlaybackState& state() const { return view.playback_state(); }

    test::TempDir work;  // the start-up directory, where CORRFACT.DAT is looked for
    PlaybackSession session;
    Document doc;
    ScriptedUser user;
    MemoryFileOpener opener;
    RecordingView view;
    RecordingObserver obs;
};

// Records A1, B1, A2, B2 with rising line numbers, optionally with records of type 3 between
// them; the offsets of the four camera records.
struct FourRecords {
    test::StepRecording r;
    uint32_t a1, b1, a2, b2;

    explicit FourRecords(bool with_others = false) {
        if (with_others) r.add_other(3);
        a1 = r.add_lines(kCameraARecord, 1000, 4);
        if (with_others) r.add_other(3);
        b1 = r.add_lines(kCameraBRecord, 1100, 4);
        if (with_others) r.add_other(-7);
        a2 = r.add_lines(kCameraARecord, 1200, 4);
        if (with_others) r.add_other(3);
        b2 = r.add_lines(kCameraBRecord, 1300, 4);
        if (with_others) r.add_other(3);
        r.finish();
    }
};

TEST_F(PlaybackStepTest, EachTickTakesOneRecordOfAAndReadsBUntilItHasCaughtUp) {
    FourRecords f;
    open(f.r, f.a1, f.a1);

    // Tick 1: A1; B passes over A1 and stops after B1, whose last line is beyond A1's.
    EXPECT_EQ(tick(), (Strings{rec('A', f.a1, 1000), rec('B', f.b1, 1100)}));
    EXPECT_EQ(session.pos_a, f.b1);
    EXPECT_EQ(session.pos_b, f.a2);
    EXPECT_EQ(state().m_lastLineA, 1003.0);
    EXPECT_EQ(state().m_lastLineB, 1103.0);

    // Tick 2: A passes over B1 to A2; B passes over A2 to B2.
    EXPECT_EQ(tick(), (Strings{rec('A', f.a2, 1200), rec('B', f.b2, 1300)}));
    EXPECT_EQ(session.pos_a, f.b2);
    EXPECT_EQ(session.pos_b, f.r.length());

    EXPECT_EQ(view.lines, (Strings{"1 n=4 buf=4 1000..1003", "2 n=4 buf=4 1100..1103",
                                   "1 n=4 buf=4 1200..1203", "2 n=4 buf=4 1300..1303"}));
    EXPECT_EQ(obs.waits, (Strings{"V 1000", "W 1100", "V 1200", "W 1300"}));
    EXPECT_EQ(view.scales, 2);
    EXPECT_EQ(session.total_lines_a, 8.0);
    EXPECT_EQ(session.total_lines_b, 8.0);
}

TEST_F(PlaybackStepTest, RecordsOfOtherTypesOnlyMoveBothReadersPastThem) {
    FourRecords f(true);
    open(f.r, f.a1, f.a1);
    EXPECT_EQ(tick(), (Strings{rec('A', f.a1, 1000), rec('B', f.b1, 1100)}));
    EXPECT_EQ(tick(), (Strings{rec('A', f.a2, 1200), rec('B', f.b2, 1300)}));
    EXPECT_EQ(tick(), Strings{});
    EXPECT_EQ(session.pos_a, f.r.length());
    EXPECT_EQ(session.pos_b, f.r.length());
    EXPECT_EQ(session.total_lines_a, 8.0);
    EXPECT_EQ(session.total_lines_b, 8.0);
    EXPECT_EQ(view.lines.size(), 4u);
}

TEST_F(PlaybackStepTest, AnEmptyRecordUsesUpAsTurnButBReadsOnPastOne) {
    test::StepRecording r;
    const uint32_t a1 = r.add_lines(kCameraARecord, 1000, 4);
    r.add_empty(kCameraBRecord);
    const uint32_t b1 = r.add_lines(kCameraBRecord, 1100, 4);
    const uint32_t empty = r.add_empty(kCameraARecord);
    const uint32_t a2 = r.add_lines(kCameraARecord, 1200, 4);
    const uint32_t b2 = r.add_lines(kCameraBRecord, 1300, 4);
    r.finish();
    open(r, a1, a1);

    EXPECT_EQ(tick(), (Strings{rec('A', a1, 1000), rec('B', b1, 1100)}));
    // A reads the empty record and stops; B, already beyond the unchanged A line, reads nothing.
    EXPECT_EQ(tick(), Strings{});
    EXPECT_EQ(session.pos_a, a2);
    EXPECT_EQ(session.pos_b, empty);
    EXPECT_EQ(state().m_lastLineA, 1003.0);
    EXPECT_EQ(tick(), (Strings{rec('A', a2, 1200), rec('B', b2, 1300)}));
}

TEST_F(PlaybackStepTest, OnceAIsExhaustedBReadsAllItsRecordsInOneStep) {
    test::StepRecording r;
    const uint32_t a1 = r.add_lines(kCameraARecord, 1000, 4);
    const uint32_t b1 = r.add_lines(kCameraBRecord, 1100, 4);
    const uint32_t b2 = r.add_lines(kCameraBRecord, 1200, 4);
    const uint32_t b3 = r.add_lines(kCameraBRecord, 1300, 4);
    r.finish();
    open(r, a1, a1);
    EXPECT_EQ(tick(), (Strings{rec('A', a1, 1000), rec('B', b1, 1100)}));
    EXPECT_EQ(tick(), (Strings{rec('B', b2, 1200), rec('B', b3, 1300)}));
    EXPECT_EQ(session.pos_a, r.length());
    EXPECT_EQ(session.pos_b, r.length());
}

TEST_F(PlaybackStepTest, BStopsAtItsFirstRecordThatReachesAsLineEvenWhenAReadTheLastRecord) {
    test::StepRecording r;
    const uint32_t b1 = r.add_lines(kCameraBRecord, 1000, 4);  // ends on A1's last line
    const uint32_t b2 = r.add_lines(kCameraBRecord, 1100, 4);
    const uint32_t a1 = r.add_lines(kCameraARecord, 1000, 4);
    r.finish();
    open(r, a1, b1);
    // A has just read the file's last record, but it took one: it is not exhausted yet.
    EXPECT_EQ(tick(), (Strings{rec('A', a1, 1000), rec('B', b1, 1000)}));
    EXPECT_EQ(tick(), (Strings{rec('B', b2, 1100)}));
}

TEST_F(PlaybackStepTest, CameraBRecordsNotBeyondTheStartLineOnlyMoveItsNewestLine) {
    test::StepRecording r;
    const uint32_t a1 = r.add_lines(kCameraARecord, 100, 4);  // A has no start condition
    const uint32_t b0 = r.add_lines(kCameraBRecord, 50, 4);
    const uint32_t b_at = r.add_lines(kCameraBRecord, 997, 4);  // ends on the start line
    const uint32_t a2 = r.add_lines(kCameraARecord, 1500, 4);
    const uint32_t b1 = r.add_lines(kCameraBRecord, 1001, 4);
    r.finish();
    user.second = 1;  // 00:00:01 at 1000 lines a second
    open(r, a1, b0);
    ASSERT_EQ(session.start_line, 1000.0);

    EXPECT_EQ(tick(), (Strings{rec('A', a1, 100), rec('B', b0, 50, 4, false),
                               rec('B', b_at, 997, 4, false)}));
    EXPECT_EQ(state().m_lastLineB, 1000.0);
    EXPECT_EQ(session.total_lines_b, 0.0);
    EXPECT_EQ(tick(), (Strings{rec('A', a2, 1500), rec('B', b1, 1001)}));
    EXPECT_EQ(view.lines, (Strings{"1 n=4 buf=4 100..103", "1 n=4 buf=4 1500..1503",
                                   "2 n=4 buf=4 1001..1004"}));
    EXPECT_EQ(session.total_lines_a, 8.0);
    EXPECT_EQ(session.total_lines_b, 4.0);
}

TEST_F(PlaybackStepTest, MatchingWaitsUntilCameraAIsBeyondTheStartLine) {
    test::StepRecording r;
    const uint32_t a1 = r.add_lines(kCameraARecord, 100, 4);
    r.add_lines(kCameraBRecord, 1100, 4);
    r.add_lines(kCameraARecord, 997, 4);  // its last line is the start line itself
    r.add_lines(kCameraARecord, 1200, 4);
    r.finish();
    user.second = 1;
    open(r, a1, a1);

    // From tick 2 on A1's particle is old enough and B1 lies beyond its window: a drop, but
    // only once matching runs.
    tick();
    tick();
    EXPECT_EQ(state().m_lastLineA, 1000.0);
    EXPECT_EQ(obs.decisions, Strings{});
    tick();
    EXPECT_EQ(obs.decisions, (Strings{"drop_a 100/-1"}));
}

// B0, A1, B1, A2, B2: at tick 2 matching drops B0 (earlier than every A) and pairs A1 with B1.
struct MatchRecording {
    test::StepRecording r;
    uint32_t b0, a1;

    MatchRecording() {
        b0 = r.add_lines(kCameraBRecord, 900, 4);
        a1 = r.add_lines(kCameraARecord, 1000, 4);
        r.add_lines(kCameraBRecord, 1100, 4);
        r.add_lines(kCameraARecord, 1400, 4);
        r.add_lines(kCameraBRecord, 1500, 4);
        r.finish();
    }
};

TEST_F(PlaybackStepTest, DecisionsAreDrawnOnlyInTheSyncViewAndObservedInEvery) {
    MatchRecording m;
    const Strings decisions = {"drop_b -1/900", "pair 1000/1100"};
    {
        SCOPED_TRACE("async");
        open(m.r, m.a1, m.b0);
        tick();
        tick();
        EXPECT_EQ(obs.decisions, decisions);
        EXPECT_EQ(view.matches, Strings{});
        EXPECT_EQ(view.lines.size(), 5u);
    }
    for (const int sync : {1, 0}) {
        SCOPED_TRACE(sync ? "sync" : "none");
        close_file(session, doc, user);
        obs = RecordingObserver{};
        view.lines.clear();
        view.scales = 0;
        select(0, sync);
        open(m.r, m.a1, m.b0);
        tick();
        tick();
        EXPECT_EQ(view.lines, Strings{});  // lines are drawn in the async view only
        if (sync) {
            EXPECT_EQ(obs.decisions, decisions);
            EXPECT_EQ(view.matches, (Strings{"-1/900 0", "1000/1100 1"}));
            EXPECT_EQ(view.scales, 2);
        } else {
            // Matching runs, but with nothing assembled there is nothing to decide about.
            EXPECT_EQ(obs.records.size(), 5u);
            EXPECT_EQ(obs.decisions, Strings{});
            EXPECT_EQ(view.scales, 0);
        }
    }
}

TEST_F(PlaybackStepTest, WithoutAViewRecordsAreOnlyDecodedAndTheNewestLinesMove) {
    FourRecords f;
    select(0, 0);
    open(f.r, f.a1, f.a1);
    EXPECT_EQ(tick(), (Strings{rec('A', f.a1, 1000, 4, false), rec('B', f.b1, 1100, 4, false)}));
    EXPECT_EQ(tick(), (Strings{rec('A', f.a2, 1200, 4, false), rec('B', f.b2, 1300, 4, false)}));
    EXPECT_EQ(state().m_lastLineA, 1203.0);
    EXPECT_EQ(state().m_lastLineB, 1303.0);
    EXPECT_EQ(view.scales, 0);
    EXPECT_EQ(view.lines, Strings{});
    EXPECT_EQ(obs.waits, Strings{});
    EXPECT_EQ(session.total_lines_a, 0.0);
    EXPECT_EQ(session.total_lines_b, 0.0);
    EXPECT_EQ(doc.m_pContext->queue_a.wait_oldest, nullptr);
}

TEST_F(PlaybackStepTest, LineOrderIsCheckedOnlyWhileAViewIsSelected) {
    test::StepRecording r;
    const uint32_t a1 = r.add_lines(kCameraARecord, 1000, 4);
    r.add_lines(kCameraARecord, 500, 1);  // runs backward; one line makes no particle
    r.finish();
    for (const int async : {0, 1}) {
        SCOPED_TRACE(async);
        close_file(session, doc, user);
        select(async, 0);
        open(r, a1, a1);
        tick();
        EXPECT_EQ(tick_error(), async ? "neg. time jump in A" : "<no error>");
    }
}

TEST_F(PlaybackStepTest, TheFirstStepAfterOpenStartsAfresh) {
    FourRecords f;
    open(f.r, f.a1, f.a1);
    view.playback_state().m_scrollBaseA = 7;
    view.playback_state().m_scrollBaseB = 7;
    view.playback_state().m_scrollBaseSync = 7;
    view.playback_state().m_lastLineB = 5000;  // would keep B from reading at tick 1
    EXPECT_EQ(doc.m_newFile, 1);
    EXPECT_EQ(tick().size(), 2u);
    EXPECT_EQ(doc.m_newFile, 0);
    EXPECT_EQ(view.resets, 1);
    EXPECT_EQ(state().m_scrollBaseA, 0.0);
    EXPECT_EQ(state().m_scrollBaseB, 0.0);
    EXPECT_EQ(state().m_scrollBaseSync, 0.0);
    const DecodeContext& ctx = *doc.m_pContext;
    EXPECT_EQ(ctx.queue_a.assign_letter, '1');
    EXPECT_EQ(ctx.queue_a.wait_letter, 'V');
    EXPECT_EQ(ctx.queue_b.assign_letter, '2');
    EXPECT_EQ(ctx.queue_b.wait_letter, 'W');
    tick();
    EXPECT_EQ(view.resets, 1);
}

TEST_F(PlaybackStepTest, TheCorrectionFileIsCheckedAtEachFilesFirstStep) {
    FourRecords f;
    const std::string four_lines = "title\nline 2\nline 3\nline 4\n";
    test::write_text_file(work.file("CORRFACT.DAT"), four_lines);
    open(f.r, f.a1, f.a1);
    EXPECT_EQ(tick_error(), "tables05");

    // Damaged between two files: only the next file's first step notices.
    close_file(session, doc, user);
    std::remove(work.file("CORRFACT.DAT").c_str());
    open(f.r, f.a1, f.a1);
    tick();
    test::write_text_file(work.file("CORRFACT.DAT"), four_lines);
    EXPECT_EQ(tick_error(), "<no error>");
    close_file(session, doc, user);
    open(f.r, f.a1, f.a1);
    EXPECT_EQ(tick_error(), "tables05");
}

TEST_F(PlaybackStepTest, ATruncatedLastRecordRaisesMp04WhicheverReaderReachesIt) {
    FourRecords f;
    std::vector<uint8_t> cut = f.r.ab();
    cut.pop_back();
    opener.add("/data/cut.ab", cut);
    opener.add("/data/cut.abh", test::index_at(f.a1, f.a1));
    user.path = "/data/cut.ab";
    open_file(session, doc, user, opener);
    session.playback_running = 1;
    EXPECT_EQ(tick_error(), "<no error>");
    EXPECT_EQ(tick_error(), "mp04");  // camera B reaches B2
    EXPECT_EQ(session.pos_b, f.b2);

    // Camera A reaches it first when the cut record is A's.
    test::StepRecording r;
    const uint32_t a1 = r.add_lines(kCameraARecord, 1000, 4);
    r.add_lines(kCameraBRecord, 1100, 4);
    const uint32_t a2 = r.add_lines(kCameraARecord, 1200, 4);
    r.finish();
    cut = r.ab();
    cut.resize(cut.size() - 3);
    close_file(session, doc, user);
    opener.add("/data/cut.ab", cut);
    opener.add("/data/cut.abh", test::index_at(a1, a1));
    open_file(session, doc, user, opener);
    EXPECT_EQ(tick_error(), "<no error>");
    EXPECT_EQ(tick_error(), "mp04");
    EXPECT_EQ(session.pos_a, a2);
}

TEST_F(PlaybackStepTest, TheLengthIsTakenAfreshAtEveryStep) {
    FourRecords f;
    open(f.r, f.a1, f.a1);
    std::vector<uint8_t>& bytes = file_bytes();
    bytes.resize(f.a2);  // the recording so far: A1 and B1
    EXPECT_EQ(tick().size(), 2u);
    EXPECT_EQ(tick(), Strings{});
    bytes = f.r.ab();  // the instrument wrote on
    EXPECT_EQ(tick(), (Strings{rec('A', f.a2, 1200), rec('B', f.b2, 1300)}));
    bytes.clear();
    EXPECT_EQ(tick_error(), "mp71");
}

TEST_F(PlaybackStepTest, AtTheEndOfTheDataStepsGoOnReadingNothing) {
    MatchRecording m;
    open(m.r, m.a1, m.b0);
    while (session.pos_a < m.r.length() || session.pos_b < m.r.length()) tick();
    const size_t decisions = obs.decisions.size();
    const int scales = view.scales;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(tick(), Strings{});
    EXPECT_EQ(session.pos_a, m.r.length());
    EXPECT_EQ(session.pos_b, m.r.length());
    EXPECT_EQ(session.total_lines_a, 8.0);
    EXPECT_EQ(session.total_lines_b, 12.0);
    EXPECT_EQ(view.scales, scales + 3);
    EXPECT_EQ(obs.decisions.size(), decisions);
}

TEST_F(PlaybackStepTest, TotalsCountOnAcrossFilesWhileTheViewStateStartsAgain) {
    FourRecords first;
    open(first.r, first.a1, first.a1);
    tick();
    tick();
    close_file(session, doc, user);

    // The second file's lines lie below the first file's: B reads at tick 1 only if the
    // newest lines started again from 0.
    test::StepRecording r;
    const uint32_t a1 = r.add_lines(kCameraARecord, 500, 4);
    const uint32_t b1 = r.add_lines(kCameraBRecord, 600, 4);
    r.finish();
    open(r, a1, a1, "/data/0608.ab");
    EXPECT_EQ(tick(), (Strings{rec('A', a1, 500), rec('B', b1, 600)}));
    EXPECT_EQ(state().m_lastLineA, 503.0);
    EXPECT_EQ(state().m_lastLineB, 603.0);
    EXPECT_EQ(view.resets, 2);
    EXPECT_EQ(session.total_lines_a, 12.0);
    EXPECT_EQ(session.total_lines_b, 12.0);
}

TEST_F(PlaybackStepTest, AStepMayRunOnlyWhileAFileIsOpenAndPlaybackRuns) {
    FourRecords f;
    EXPECT_FALSE(playback_step_may_run(session, doc));
    open(f.r, f.a1, f.a1);
    EXPECT_TRUE(playback_step_may_run(session, doc));
    session.playback_running = 0;
    EXPECT_FALSE(playback_step_may_run(session, doc));
    session.playback_running = 1;
    close_file(session, doc, user);
    EXPECT_EQ(doc.path_name, "/data/0607.ab");
    EXPECT_FALSE(playback_step_may_run(session, doc));
}

}  // namespace
}  // namespace korvel
