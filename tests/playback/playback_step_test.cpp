// How one playback step moves the two cameras' readers and hands records on: the ticks of
// A and B, the start line, and what each view draws and counts.

#include "playback/playback_step.h"

#include <gtest/gtest.h>

#include "commands/close_file.h"
#include "format/raw_record.h"
#include "support/playback_harness.h"

namespace korvel {
namespace {

using test::FourRecords;
using test::MatchRecording;
using test::rec;
using test::Strings;
using PlaybackStepTest = test::PlaybackHarness;

TEST_F(PlaybackStepTest, EachTickTakesOneRecordOfAAndReadsBUntilItHasCaughtUp) {
    FourRecords f;
    open(f.r, f.a1, f.a1);

    // Tick 1: A1; B passes over A1 and stops after B1, whose last line is beyond A1's.
    EXPECT_EQ(tick(), (Strings{rec('A', f.a1, 1000), rec('B', f.b1, 1100)}));
    EXPECT_EQ(session.pos_a, f.b1);
    EXPECT_EQ(session.pos_b, f.a2);
    EXPECT_EQ(session.m_lastLineA, 1003.0);
    EXPECT_EQ(session.m_lastLineB, 1103.0);

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
    EXPECT_EQ(session.m_lastLineA, 1003.0);
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

TEST_F(PlaybackStepTest, RecordsNotBeyondTheStartLineOnlyMoveTheirCamerasNewestLine) {
    test::StepRecording r;
    const uint32_t a1 = r.add_lines(kCameraARecord, 100, 4);
    const uint32_t b0 = r.add_lines(kCameraBRecord, 50, 4);
    const uint32_t b_at = r.add_lines(kCameraBRecord, 997, 4);  // ends on the start line
    const uint32_t a2 = r.add_lines(kCameraARecord, 1500, 4);
    const uint32_t b1 = r.add_lines(kCameraBRecord, 1001, 4);
    r.finish();
    user.second = 1;  // 00:00:01 at 1000 lines a second
    open(r, a1, b0);
    ASSERT_EQ(session.start_line, 1000.0);

    EXPECT_EQ(tick(), (Strings{rec('A', a1, 100, 4, false), rec('B', b0, 50, 4, false),
                               rec('B', b_at, 997, 4, false)}));
    EXPECT_EQ(session.m_lastLineA, 103.0);
    EXPECT_EQ(session.m_lastLineB, 1000.0);
    EXPECT_EQ(session.total_lines_a + session.total_lines_b, 0.0);
    EXPECT_EQ(tick(), (Strings{rec('A', a2, 1500), rec('B', b1, 1001)}));
    EXPECT_EQ(view.lines, (Strings{"1 n=4 buf=4 1500..1503", "2 n=4 buf=4 1001..1004"}));
    EXPECT_EQ(session.total_lines_a, 4.0);
    EXPECT_EQ(session.total_lines_b, 4.0);
}

TEST_F(PlaybackStepTest, MatchingDecidesOnlyParticlesFromBeyondTheStartLine) {
    test::StepRecording r;
    const uint32_t a1 = r.add_lines(kCameraARecord, 100, 4);
    r.add_lines(kCameraBRecord, 1100, 4);
    r.add_lines(kCameraARecord, 997, 4);  // its last line is the start line itself
    r.add_lines(kCameraARecord, 1200, 4);
    r.add_lines(kCameraARecord, 1600, 4);
    r.finish();
    user.second = 1;
    open(r, a1, a1);

    // A1's particle from before the start would be dropped as soon as matching runs; only
    // B1 and A3 are there to decide once A3 is old enough.
    for (int i = 0; i < 3; ++i) tick();
    EXPECT_EQ(obs.decisions, Strings{});
    tick();
    EXPECT_EQ(obs.decisions, (Strings{"drop_b -1/1100"}));
}

TEST_F(PlaybackStepTest, MatchingWaitsWhileAsNewestLineIsTheStartLineItself) {
    test::StepRecording r;
    const uint32_t a1 = r.add_lines(kCameraARecord, 640, 362);  // 640..1001: one particle
    const uint32_t a2 = r.add_lines(kCameraARecord, 997, 4);    // ends on the start line
    const uint32_t b1 = r.add_lines(kCameraBRecord, 1100, 4);
    const uint32_t a3 = r.add_lines(kCameraARecord, 1200, 4);
    r.finish();
    user.second = 1;  // start line 1000
    open(r, a1, a1);
    file_bytes().resize(a2);  // the recording so far: A1 alone

    // A1 is handed on and matching runs, but B has no particle to hold A1's against.
    EXPECT_EQ(tick(), Strings{rec('A', a1, 640, 362)});
    EXPECT_EQ(obs.decisions, Strings{});
    // A's newest line is now the start line, not beyond it: A1's particle, old enough for a
    // decision against B1, waits.
    file_bytes() = r.ab();
    EXPECT_EQ(tick(), (Strings{rec('A', a2, 997, 4, false), rec('B', b1, 1100)}));
    EXPECT_EQ(session.m_lastLineA, 1000.0);
    EXPECT_EQ(obs.decisions, Strings{});
    EXPECT_EQ(tick(), Strings{rec('A', a3, 1200)});
    EXPECT_EQ(obs.decisions, Strings{"drop_a 640/-1"});
}

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
        obs = test::RecordingObserver{};
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
    EXPECT_EQ(session.m_lastLineA, 1203.0);
    EXPECT_EQ(session.m_lastLineB, 1303.0);
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

// A record decoded ahead comes with its lines known to rise, and its order check looks at its
// first line only; at the previous record's last line that first line must fail just as the
// line-by-line check of a record decoded in place fails it.
TEST_F(PlaybackStepTest, ARecordDecodedAheadIsHeldToTheLineOrderAsOneReadInPlace) {
    struct Case {
        double b2_first;  // B1 ends at 1103
        const char* error;
    };
    const Case cases[] = {
        {1102, "neg. time jump in B"},
        {1103, "neg. time jump in B"},
        {1104, "<no error>"},
    };
    for (const Case& c : cases) {
        test::StepRecording r;
        const uint32_t a1 = r.add_lines(kCameraARecord, 1000, 4);
        r.add_lines(kCameraBRecord, 1100, 4);
        r.add_lines(kCameraARecord, 1200, 4);
        r.add_lines(kCameraBRecord, c.b2_first, 4);
        r.finish();
        for (const bool ahead_on : {false, true}) {
            SCOPED_TRACE(std::to_string(c.b2_first) +
                         (ahead_on ? ", decoded ahead" : ", in place"));
            close_file(session, doc, user);
            open(r, a1, a1);
            decode_b_ahead(ahead_on);
            EXPECT_EQ(tick_error(), "<no error>");
            EXPECT_EQ(tick_error(), c.error);
            EXPECT_EQ(doc.m_pContext->m_oldB, c.error[0] == '<' ? c.b2_first + 3 : 1103.0);
        }
    }
    decode_b_ahead(false);
}

}  // namespace
}  // namespace korvel
