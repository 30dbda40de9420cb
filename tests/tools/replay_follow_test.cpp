// korvel-replay --follow on a recording that grows while it is read: the events are those
// of the finished recording, whatever the pieces it grew by; a recording cut for good ends
// with the read error it has without --follow; abgen --live feeds a follower.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "support/recording_readback.h"
#include "support/replay_runner.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

const std::string kAbgen = std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen";
const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";
constexpr std::chrono::milliseconds kLimit{60000};
// Event streams compared without printing megabytes of both on a failure.
#define EXPECT_SAME_EVENTS(got, want) \
    EXPECT_TRUE((got) == (want)) << (got).size() << " bytes against " << (want).size()

// Where a piece of the file may end, as an offset into a record of that payload length.
struct Cut {
    const char* where;
    size_t (*offset)(size_t payload);
    const char* fatal;  // the read error of a file cut there for good
};
const Cut kCuts[] = {
    {"inside the type", [](size_t) { return size_t{1}; }, "mp02"},
    {"after the type", [](size_t) { return size_t{2}; }, "mp03"},
    {"inside cmpr_n", [](size_t) { return size_t{3}; }, "mp03"},
    {"after the head", [](size_t) { return size_t{4}; }, "mp04"},
    {"inside the payload", [](size_t n) { return 4 + n / 2; }, "mp04"},
    {"a byte short", [](size_t n) { return 3 + n; }, "mp04"},
    {"between records", [](size_t) { return size_t{0}; }, nullptr},
};

class ReplayFollow : public ::testing::Test {
  protected:
    void SetUp() override {
        const test::ProgramRun made =
            test::run_program(kAbgen, {"--duration", "6", "--drops-per-second", "150", "--seed",
                                       "8", "-o", dir.file("full.ab")});
        ASSERT_EQ(made.status, 0) << made.err;
        full = test::read_file(dir.file("full.ab"));
        for (const test::ReadRecord& r : test::read_all_records(full))
            records.push_back({r.offset, r.payload.size()});
        ASSERT_GT(records.size(), 200u);
        std::filesystem::copy_file(dir.file("full.abh"), dir.file("grow.abh"));
    }
    test::ProgramRun replay(std::vector<std::string> args, const std::string& file) {
        args.insert(args.end(), {"--events", "--corrections-dir", dir.path(), file});
        return test::run_program(kReplay, args, kLimit);
    }
    // The offset of a cut of that kind into the record with that number.
    size_t cut_at(const Cut& cut, size_t record) const {
        return records[record].first + cut.offset(records[record].second);
    }

    test::TempDir dir;
    std::vector<uint8_t> full;
    std::vector<std::pair<size_t, size_t>> records;  // where each starts, its payload length
};

TEST_F(ReplayFollow, AFileGrowingInPiecesCutAnywhereGivesTheEventsOfTheFinishedFile) {
    const test::ProgramRun finished = replay({}, dir.file("full.ab"));
    ASSERT_EQ(finished.status, 0) << finished.err;

    // Every kind of cut, three times over, spread over the file; a piece every 250 ms, so
    // that the follower (measuring every 200 ms) meets most of them.
    std::vector<size_t> ends;
    const size_t pieces = 3 * std::size(kCuts);
    for (size_t i = 0; i < pieces; ++i) {
        const size_t record = 2 + (records.size() - 3) * i / pieces;
        ends.push_back(cut_at(kCuts[i % std::size(kCuts)], record));
    }
    ends.push_back(full.size());
    const std::string grow = dir.file("grow.ab");
    test::write_file(grow, std::vector<uint8_t>(full.begin(), full.begin() + ends[0]));
    std::thread writer([&] {
        for (size_t i = 1; i < ends.size(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            test::append_file(grow, std::vector<uint8_t>(full.begin() + ends[i - 1],
                                                         full.begin() + ends[i]));
        }
    });
    const test::ProgramRun followed = replay({"--follow", "--follow-idle", "4"}, grow);
    writer.join();
    EXPECT_EQ(followed.status, 0) << followed.err;
    // The open event names the file replayed: the one name apart, the same stream.
    std::string want = finished.out;
    const std::string full_name = dir.file("full.ab");
    want.replace(want.find(full_name), full_name.size(), grow);
    EXPECT_SAME_EVENTS(followed.out, want);
}

TEST_F(ReplayFollow, ARecordingCutForGoodEndsWithTheReadErrorItHasWithoutFollow) {
    const std::string path = dir.file("cut.ab");
    std::filesystem::copy_file(dir.file("full.abh"), dir.file("cut.abh"));
    for (const Cut& cut : kCuts) {
        if (cut.fatal == nullptr) continue;
        SCOPED_TRACE(cut.where);
        test::write_file(path,
                         std::vector<uint8_t>(full.begin(), full.begin() + cut_at(cut, 150)));
        const test::ProgramRun plain = replay({}, path);
        EXPECT_EQ(plain.status, 1);
        EXPECT_EQ(plain.err, std::string(cut.fatal) + "\n");
        const auto began = std::chrono::steady_clock::now();
        const test::ProgramRun followed = replay({"--follow", "--follow-idle", "0.3"}, path);
        EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(300));
        EXPECT_EQ(followed.status, 1);
        EXPECT_EQ(followed.err, plain.err);
        EXPECT_SAME_EVENTS(followed.out, plain.out);
    }
}

TEST_F(ReplayFollow, AbgenLiveFeedsAFollowerAndNeverWritesOverARecording) {
    const std::string live = dir.file("live.ab");
    const std::vector<std::string> rain = {"--live", "--duration", "70", "--drops-per-second",
                                           "20", "--start", "12:00:30", "--seed", "4", "-o", live};
    std::vector<std::string> fast = rain;
    fast.insert(fast.end(), {"--speed", "20"});
    test::ProgramRun written;
    std::thread writer([&] { written = test::run_program(kAbgen, fast, kLimit); });
    while (!std::filesystem::exists(live) || std::filesystem::file_size(live) < 60) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const test::ProgramRun followed = replay({"--follow", "--follow-idle", "3"}, live);
    writer.join();
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(followed.status, 0) << followed.err;
    // Opened before the index of 12:01 settled minute 0, the follower waits for it: even the
    // open event's positions are the finished file's.
    EXPECT_SAME_EVENTS(followed.out, replay({}, live).out);
    const std::vector<uint8_t> written_bytes = test::read_file(live);
    const test::ProgramRun again = test::run_program(kAbgen, rain);
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(test::read_file(live) == written_bytes);
}

TEST_F(ReplayFollow, AFollowersSummaryCountsItsWaitsApart) {
    const std::string out =
        test::run_program(kReplay, {"--follow", "--follow-idle", "0.5", dir.file("full.ab")}).out;
    double seconds = -1, waited = -1;
    ASSERT_EQ(std::sscanf(out.c_str() + out.find("  seconds"), "  seconds %lf", &seconds), 1);
    ASSERT_EQ(std::sscanf(out.c_str() + out.find("  waited"), "  waited %lf s", &waited), 1) << out;
    EXPECT_GE(waited, 0.5);
    EXPECT_LT(seconds, 0.5) << "the half second of waiting counted as replaying";
}

// Ended by a signal: SIGHUP stops a follower as SIGINT and SIGTERM do, and no signal leaves a
// temporary output file behind, with or without --follow.
int temporaries(const std::string& dir) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        n += e.path().filename().string().rfind(".korvel-replay-", 0) == 0;
    return n;
}

TEST(ReplaySignals, AnInterruptedReplayLeavesNoTemporaryFileAndAFollowerStopsAtEachSignal) {
    test::TempDir dir;
    const std::string ab = dir.file("rain.ab");
    // Long enough to be caught while it runs: a few seconds of replay.
    const test::ProgramRun made = test::run_program(
        kAbgen, {"--duration", "3600", "--drops-per-second", "60", "--seed", "4", "-o", ab});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string csv = dir.file("pairs.csv");
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        for (const bool follow : {false, true}) {
            std::filesystem::remove(csv);
            std::vector<std::string> args = {"--pairs", csv, ab};
            // A follower waits at the end of the data: the signal finds it there or before.
            if (follow) args.insert(args.begin(), {"--follow", "--follow-idle", "30"});
            bool signalled = false;  // sent as soon as the temporary output file exists
            const test::ProgramRun e = test::run_program(kReplay, args, kLimit, [&](pid_t pid) {
                if (!signalled && temporaries(dir.path()) > 0) signalled = !::kill(pid, sig);
            });
            const std::string what = std::string(strsignal(sig)) + (follow ? ", --follow" : "");
            ASSERT_TRUE(signalled) << what << ": the replay ended before its output opened";
            EXPECT_EQ(temporaries(dir.path()), 0) << what;
            // A follower stops, not killed, and leaves its output and its summary.
            EXPECT_EQ(follow ? e.status : e.term_signal, follow ? 0 : sig) << what;
            EXPECT_EQ(std::filesystem::exists(csv), follow) << what;
            EXPECT_TRUE(!follow || e.out.find("seconds") != std::string::npos) << what;
        }
    }
}

}  // namespace
}  // namespace korvel
