// korvel-replay ended by a signal: SIGHUP stops a follower as SIGINT and SIGTERM do, and no
// signal leaves a temporary output file behind, with or without --follow.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

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

struct Ended {
    int status = -1, term_signal = 0;
    bool signalled = false;  // whether the signal came while an output was open
    std::string out;
};

// Runs korvel-replay, its standard output in dir/out.txt; sends it sig as soon as its
// temporary output file exists, and waits for its end.
Ended replay_and_signal(const std::string& dir, std::vector<std::string> args, int sig) {
    args.insert(args.begin(), kReplay);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out_path = dir + "/out.txt";
    const int out_fd = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out_fd, STDOUT_FILENO);
        ::execv(kReplay.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out_fd);
    Ended ended;
    int raw = 0;
    for (int ms = 0; ::waitpid(pid, &raw, WNOHANG) != pid; ++ms) {
        if (!ended.signalled && temporaries(dir) > 0) ended.signalled = ::kill(pid, sig) == 0;
        if (ms == 60000) ::kill(pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ended.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    ended.term_signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
    const std::vector<uint8_t> out = test::read_file(out_path);
    ended.out.assign(out.begin(), out.end());
    ::unlink(out_path.c_str());
    return ended;
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
            const Ended e = replay_and_signal(dir.path(), args, sig);
            const std::string what = std::string(strsignal(sig)) + (follow ? ", --follow" : "");
            ASSERT_TRUE(e.signalled) << what << ": the replay ended before its output opened";
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
