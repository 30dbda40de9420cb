// The playback step over a file's life: the fresh start after Open, read errors, the end of
// the data, and Close File followed by another Open.

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>
#include <vector>

#include "commands/close_file.h"
#include "commands/open_file.h"
#include "format/raw_record.h"
#include "playback/playback_step.h"
#include "support/playback_harness.h"
#include "support/step_recording.h"

namespace korvel {
namespace {

using test::FourRecords;
using test::MatchRecording;
using test::rec;
using test::Strings;
using PlaybackLifecycleTest = test::PlaybackHarness;

TEST_F(PlaybackLifecycleTest, TheFirstStepAfterOpenStartsAfresh) {
    FourRecords f;
    open(f.r, f.a1, f.a1);
    view.playback_state().m_scrollBaseA = 7;
    view.playback_state().m_scrollBaseB = 7;
    view.playback_state().m_scrollBaseSync = 7;
    session.m_lastLineB = 5000;  // would keep B from reading at tick 1
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

TEST_F(PlaybackLifecycleTest, TheCorrectionFileIsCheckedAtEachFilesFirstStep) {
    FourRecords f;
    const std::string four_lines = "title\nline 2\nline 3\nline 4\n";
    put_corrections(four_lines);
    open(f.r, f.a1, f.a1);
    EXPECT_EQ(tick_error(), "tables05");

    // Damaged between two files: only the next file's first step notices.
    close_file(session, doc, user);
    opener.remove(std::string(kWorkDir) + "/CORRFACT.DAT");
    open(f.r, f.a1, f.a1);
    tick();
    put_corrections(four_lines);
    EXPECT_EQ(tick_error(), "<no error>");
    close_file(session, doc, user);
    open(f.r, f.a1, f.a1);
    EXPECT_EQ(tick_error(), "tables05");
}

TEST_F(PlaybackLifecycleTest, ATruncatedLastRecordRaisesMp04WhicheverReaderReachesIt) {
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

TEST_F(PlaybackLifecycleTest, TheLengthIsTakenAfreshAtEveryStep) {
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

// Camera B's records decoded ahead wait in a ring; the file may shrink under them (a
// recording rewritten, a copy cut short). Whatever the ring holds, the steps read what the
// file holds at their own measurement, exactly as they do reading in place.
TEST_F(PlaybackLifecycleTest, AFileCutUnderRecordsDecodedAheadPlaysAsReadInPlace) {
    FourRecords f;  // A1 B1 A2 B2: B2's item in the ring covers A2 too, from where B stands
    const uint32_t end = f.r.length();
    struct Case {
        const char* what;
        uint32_t cut;
        Strings second_tick;
        std::string error;
    };
    const Case cases[] = {
        {"at B2's start", f.b2, {rec('A', f.a2, 1200)}, "<no error>"},
        {"in B2's type", f.b2 + 1, {rec('A', f.a2, 1200)}, "mp02"},
        {"in B2's length", f.b2 + 3, {rec('A', f.a2, 1200)}, "mp03"},
        {"after B2's length", f.b2 + 4, {rec('A', f.a2, 1200)}, "mp04"},
        {"B2's last byte", end - 1, {rec('A', f.a2, 1200)}, "mp04"},
        {"after B2", end, {rec('A', f.a2, 1200), rec('B', f.b2, 1300)}, "<no error>"},
    };
    for (const Case& c : cases) {
        std::tuple<uint32_t, uint32_t, double> after[2];  // positions and B's lines counted
        for (const bool ahead_on : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (ahead_on ? ", decoded ahead" : ", in place"));
            close_file(session, doc, user);
            open(f.r, f.a1, f.a1);
            decode_b_ahead(ahead_on);
            // The first step's B waits for the ring's first stretch, which for a file this
            // small is all of it: B2 is decoded before the cut.
            EXPECT_EQ(tick(), (Strings{rec('A', f.a1, 1000), rec('B', f.b1, 1100)}));
            file_bytes().resize(c.cut);
            obs.records.clear();
            const double lines_before = session.total_lines_b;  // totals go on across files
            const std::string error = tick_error();
            EXPECT_EQ(obs.records, c.second_tick);
            EXPECT_EQ(error, c.error);
            after[ahead_on] = {session.pos_a, session.pos_b, session.total_lines_b - lines_before};
            if (error == "<no error>") {
                // And nothing more is read from the shortened file.
                EXPECT_EQ(tick_error(), "<no error>");
                EXPECT_EQ(obs.records, c.second_tick);
                EXPECT_EQ(session.pos_b, c.cut);
            }
        }
        EXPECT_EQ(after[1], after[0]) << c.what;
    }
    decode_b_ahead(false);
}

TEST_F(PlaybackLifecycleTest, AtTheEndOfTheDataStepsGoOnReadingNothing) {
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

    // A run has caught up once both readers stand at the length, and not while either has a
    // byte left.
    const uint32_t length = m.r.length();
    struct Case {
        uint32_t pos_a, pos_b;
        bool caught_up;
    };
    const Case cases[] = {
        {length, length, true},
        {length - 1, length, false},
        {length, length - 1, false},
    };
    for (const Case& c : cases) {
        session.pos_a = c.pos_a;
        session.pos_b = c.pos_b;
        EXPECT_EQ(playback_caught_up(session, length), c.caught_up) << c.pos_a << "/" << c.pos_b;
    }
}

TEST_F(PlaybackLifecycleTest, TotalsCountOnAcrossFilesWhileTheViewStateStartsAgain) {
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
    EXPECT_EQ(session.m_lastLineA, 503.0);
    EXPECT_EQ(session.m_lastLineB, 603.0);
    EXPECT_EQ(view.resets, 2);
    EXPECT_EQ(session.total_lines_a, 12.0);
    EXPECT_EQ(session.total_lines_b, 12.0);
}

TEST_F(PlaybackLifecycleTest, AStepMayRunOnlyWhileAFileIsOpenAndPlaybackRuns) {
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
