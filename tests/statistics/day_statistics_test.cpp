#include "statistics/day_statistics.h"

#include <gtest/gtest.h>

#include <vector>

#include "format/raw_record.h"
#include "io/memory_file_opener.h"
#include "support/fatal_text.h"
#include "support/step_recording.h"

namespace korvel {
namespace {

// Records of camera A and B in minutes 0, 1 and 3 of a day at 1000 lines/s, each pair alike
// and B 100 lines after A, so matching pairs them.
struct ThreeMinutes {
    test::StepRecording r{1000.0};
    ThreeMinutes() {
        for (double y : {1000.0, 61000.0, 182000.0}) {
            r.add_lines(kCameraARecord, y, 4);
            r.add_lines(kCameraBRecord, y + 100, 4);
        }
        r.add_lines(kCameraARecord, 190000.0, 4);  // moves A on so the last pair is decided
        r.finish();
    }
};

class Progress : public DayStatisticsProgress {
  public:
    explicit Progress(int stop_after = -1) : stop_after_(stop_after) {}
    bool keep_going(uint64_t done, uint64_t total) override {
        reports.push_back({done, total});
        return stop_after_ < 0 || static_cast<int>(reports.size()) <= stop_after_;
    }
    std::vector<std::pair<uint64_t, uint64_t>> reports;

  private:
    int stop_after_;
};

MemoryFileOpener opener_with(const test::StepRecording& r) {
    MemoryFileOpener opener;
    opener.add("/data/0607.ab", r.ab());
    opener.add("/data/0607.abh", r.abh());
    return opener;
}

TEST(DayStatistics, AWholeRecordingIsCountedMinuteByMinute) {
    ThreeMinutes t;
    MemoryFileOpener opener = opener_with(t.r);
    Progress progress;
    const auto stats = compute_day_statistics("/data/0607.ab", "/start", opener, progress);
    ASSERT_NE(stats, nullptr);
    EXPECT_EQ(stats->line_rate(), 1000.0);

    MinuteCounts pair_minute;
    pair_minute.records_a = pair_minute.records_b = 1;
    pair_minute.lines_a = pair_minute.lines_b = 4;
    pair_minute.waited_a = pair_minute.waited_b = 1;
    pair_minute.pairs = 1;
    pair_minute.handed_on = 2;
    MinuteCounts last = pair_minute;
    last.records_a = 2;
    last.handed_on = 3;
    last.lines_a = 8;
    last.waited_a = 2;  // the last A particle still waits at the end: no decision about it
    const std::map<int64_t, MinuteCounts> expected = {
        {0, pair_minute}, {1, pair_minute}, {3, last}};
    EXPECT_EQ(stats->minutes(), expected);

    // Progress rises to the whole file.
    ASSERT_FALSE(progress.reports.empty());
    for (size_t i = 1; i < progress.reports.size(); ++i) {
        EXPECT_GE(progress.reports[i].first, progress.reports[i - 1].first);
    }
    EXPECT_EQ(progress.reports.back().first, t.r.length());
    EXPECT_EQ(progress.reports.back().second, t.r.length());
}

TEST(DayStatistics, AComputationAskedToStopGivesNothing) {
    ThreeMinutes t;
    MemoryFileOpener opener = opener_with(t.r);
    Progress progress(0);
    EXPECT_EQ(compute_day_statistics("/data/0607.ab", "/start", opener, progress), nullptr);
    EXPECT_EQ(progress.reports.size(), 1u);
}

TEST(DayStatistics, FilesThatCannotBePlayedRaiseTheViewersText) {
    ThreeMinutes t;
    MemoryFileOpener no_index;
    no_index.add("/data/0607.ab", t.r.ab());
    Progress progress;
    const std::string text = test::fatal_text(
        [&] { compute_day_statistics("/data/0607.ab", "/start", no_index, progress); });
    EXPECT_NE(text.find("0607.abh"), std::string::npos) << text;

    MemoryFileOpener none;
    const std::string missing = test::fatal_text(
        [&] { compute_day_statistics("/data/0607.ab", "/start", none, progress); });
    EXPECT_EQ(missing.rfind("Could not open because: ", 0), 0u) << missing;
}

}  // namespace
}  // namespace korvel
