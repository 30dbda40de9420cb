// korvel-replay ended by a signal: SIGHUP stops a follower as SIGINT and SIGTERM do, and no
// signal leaves a temporary output file behind, with or without --follow.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "support/replay_runner.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

const std::string kAbgen = std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen";
const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";

// The temporary outputs in dir.
int temporaries(const std::string& dir) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        n += e.path().filename().string().rfind(".korvel-replay-", 0) == 0;
    }
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
            const test::ProgramRun e =
                test::run_program(kReplay, args, std::chrono::seconds(60), [&](pid_t pid) {
                    if (!signalled && temporaries(dir.path()) > 0) signalled = !::kill(pid, sig);
                });
            const std::string what = std::string(strsignal(sig)) + (follow ? ", --follow" : "");
            ASSERT_TRUE(signalled) << what << ": the replay ended before its output opened";
            EXPECT_EQ(temporaries(dir.path()), 0) << what;
            if (follow) {
                // Stopped, not killed: the summary and the CSV, status 0.
                EXPECT_EQ(e.status, 0) << what;
                EXPECT_EQ(e.term_signal, 0) << what;
                EXPECT_NE(e.out.find("seconds"), std::string::npos) << what;
                EXPECT_TRUE(std::filesystem::exists(csv)) << what;
            } else {
                EXPECT_EQ(e.term_signal, sig) << what;
                EXPECT_FALSE(std::filesystem::exists(csv)) << what;
            }
        }
    }
}

}  // namespace
}  // namespace korvel
