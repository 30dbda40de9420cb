#include "commands/headless_player.h"

#include <gtest/gtest.h>

#include <stop_token>
#include <thread>
#include <vector>

#include "format/raw_record.h"
#include "io/memory_file_opener.h"
#include "statistics/minute_statistics.h"
#include "support/fatal_text.h"
#include "support/step_recording.h"

namespace korvel {
namespace {

// Ten pairs of records a minute apart, B 100 lines after A, and one A record that moves A on.
struct TenMinutes {
    test::StepRecording r{1000.0};
    MemoryFileOpener opener;
    TenMinutes() {
        for (int m = 0; m < 10; ++m) {
            r.add_lines(kCameraARecord, 1000.0 + 60000.0 * m, 4);
            r.add_lines(kCameraBRecord, 1100.0 + 60000.0 * m, 4);
        }
        r.add_lines(kCameraARecord, 700000.0, 4);
        r.finish();
        opener.add("/d/r.ab", r.ab());
        opener.add("/d/r.abh", r.abh());
        start.path = "/d/r.ab";
        start.work_dir = "/none";
    }
    HeadlessStart start;
};

// Notes what it sees, and asks for a stop before step stop_before.
class NotingHook : public StepHook {
  public:
    void before_step(int64_t step) override {
        before.push_back(step);
        if (step == stop_before) stop.request_stop();
    }
    void after_step(int64_t step, uint64_t length) override {
        after.push_back(step);
        lengths.push_back(length);
    }
    std::vector<int64_t> before, after;
    std::vector<uint64_t> lengths;
    std::stop_source stop;
    int64_t stop_before = -1;
};

TEST(HeadlessPlayer, EndsAtTheEndOfTheDataOrWhenStoppedBetweenSteps) {
    TenMinutes t;
    int64_t all_steps = -1;  // learnt from the first row, which plays to the end
    const struct {
        const char* name;
        int64_t stop_before;  // -1: none
        int64_t max_steps;    // -1: none
        int64_t steps;        // -1: all
    } rows[] = {
        {"to the end", -1, -1, -1},
        {"stop before step 4", 4, -1, 3},
        {"stop before the first step", 1, -1, 0},
        {"at most 5 steps", -1, 5, 5},
        {"a limit beyond the end", -1, 1000, -1},
    };
    for (const auto& row : rows) {
        HeadlessPlayer player(t.start, t.opener);
        player.open();
        NullPlaybackView view;
        NotingHook hook;
        hook.stop_before = row.stop_before;
        const PlayEnd end = player.play(view, nullptr, &hook, hook.stop.get_token(), row.max_steps);
        if (all_steps < 0) {
            all_steps = player.steps();
            EXPECT_GE(all_steps, 10);
            EXPECT_GE(player.session().pos_a, t.r.length());
            EXPECT_GE(player.session().pos_b, t.r.length());
        }
        const int64_t steps = row.steps < 0 ? all_steps : row.steps;
        EXPECT_EQ(player.steps(), steps) << row.name;
        EXPECT_EQ(end, steps == all_steps ? PlayEnd::end_of_data : PlayEnd::stopped) << row.name;
        ASSERT_EQ(hook.after.size(), static_cast<size_t>(steps)) << row.name;
        for (size_t i = 0; i < hook.after.size(); ++i) {
            EXPECT_EQ(hook.before[i], static_cast<int64_t>(i + 1)) << row.name;
            EXPECT_EQ(hook.after[i], static_cast<int64_t>(i + 1)) << row.name;
            EXPECT_EQ(hook.lengths[i], t.r.length()) << row.name;
        }
    }
}

TEST(HeadlessPlayer, AMissingIndexIsFatalOnlyWhenAskedFor) {
    TenMinutes t;
    MemoryFileOpener no_index;
    no_index.add("/d/r.ab", t.r.ab());
    for (const bool fatal : {true, false}) {
        HeadlessStart s = t.start;
        s.missing_index_fatal = fatal;
        HeadlessPlayer player(s, no_index);
        const std::string text = test::fatal_text([&] { player.open(); });
        EXPECT_EQ(text, fatal ? player.interaction().file_error : "<no error>");
        EXPECT_NE(player.interaction().file_error.find("r.abh"), std::string::npos);
        if (!fatal) {
            // The viewer's way: playback from byte 0 of the data, to its end.
            NullPlaybackView view;
            EXPECT_EQ(player.play(view, nullptr), PlayEnd::end_of_data);
        }
    }
}

// Two players over the same files at once, as the overview computes a day while the viewer
// plays it and as korvel-replay --jobs plays files side by side: each counts what it would
// alone (the thread sanitizer build runs this too).
TEST(HeadlessPlayer, PlayersOnTwoThreadsCountWhatOneCountsAlone) {
    TenMinutes t;
    auto count = [&t](MinuteCounts& out) {
        HeadlessPlayer player(t.start, t.opener);
        player.open();
        MinuteStatistics stats(player.session().line_rate);
        NullPlaybackView view;
        player.play(view, &stats);
        out = stats.totals();
    };
    MinuteCounts alone, first, second;
    count(alone);
    std::thread other([&] { count(second); });
    count(first);
    other.join();
    EXPECT_EQ(alone.pairs, 10);
    EXPECT_EQ(first, alone);
    EXPECT_EQ(second, alone);
}

}  // namespace
}  // namespace korvel
