// abgen --live against what can happen to a recording while it grows: another abgen run
// aimed at it, its files removed or replaced, a write that fails part way.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "common/little_endian.h"
#include "support/replay_runner.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

const std::string kAbgen = std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen";
const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";
constexpr std::chrono::seconds kLimit{60};

// Runs abgen with args (a live run into ab) and, once ab holds its header, does act.
test::ProgramRun live_run_meeting(const std::string& ab, const std::vector<std::string>& args,
                                  const std::function<void()>& act) {
    test::ProgramRun run;
    std::thread live([&] { run = test::run_program(kAbgen, args, kLimit); });
    while (!std::filesystem::exists(ab) || std::filesystem::file_size(ab) < 60) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    act();
    live.join();
    return run;
}

// A plain run into a live recording's name waits, saying so: the live run finds its own files
// in place to the end and reports them.
TEST(AbgenLive, APlainRunWaitsUntilTheLiveRecordingIsFinished) {
    test::TempDir dir;
    const std::string ab = dir.file("L.ab");
    test::ProgramRun plain;
    const test::ProgramRun live = live_run_meeting(
        ab, {"--seed", "50", "--duration", "20", "--live", "--speed", "10", "-o", ab}, [&] {
            plain = test::run_program(kAbgen, {"--seed", "51", "--duration", "20", "-o", ab});
        });
    EXPECT_EQ(live.status, 0) << live.err;
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.err.find("waiting for another abgen run"), std::string::npos) << plain.err;
}

// Whatever takes a live recording's name away, the run stops with status 1 and names the file.
TEST(AbgenLive, StopsWhenItsFilesAreRemovedOrReplaced) {
    for (const auto& [file, said] :
         {std::pair{"L.ab", "was removed"}, {"L.ab", "was replaced"}, {"L.abh", "was replaced"}}) {
        test::TempDir dir;
        const std::string ab = dir.file("L.ab"), gone = dir.file(file);
        const test::ProgramRun run =
            live_run_meeting(ab, {"--duration", "30", "--live", "--speed", "10", "-o", ab}, [&] {
                std::filesystem::remove(gone);
                if (std::string(said) != "was removed") test::write_text_file(gone, "another file");
            });
        EXPECT_EQ(run.status, 1) << gone << " " << said;
        EXPECT_NE(run.err.find(gone + " " + said), std::string::npos) << run.err;
    }
}

// A failed write (EFBIG under a file size limit, SIGXFSZ ignored, as ENOSPC on a full disk)
// leaves the longest prefix of whole records of the recording written whole, and the index
// of exactly those records (entries past the end hold the end, as in any index), which
// replays without an error. Below the index's own size nothing is left.
TEST(AbgenLive, AFailedWriteLeavesWholeRecordsAndTheirIndex) {
    test::TempDir dir;
    std::vector<std::string> args = {"--seed", "3", "--duration", "70", "--start", "12:00:30"};
    std::vector<std::string> whole_args = args;
    whole_args.insert(whole_args.end(), {"-o", dir.file("whole.ab")});
    ASSERT_EQ(test::run_program(kAbgen, whole_args).status, 0);
    const std::vector<uint8_t> whole = test::read_file(dir.file("whole.ab"));
    std::vector<size_t> ends = {0};  // where each record ends
    while (whole.size() - ends.back() >= 4)
        ends.push_back(ends.back() + 4 + load_u16(&whole[ends.back() + 2]));
    args.insert(args.end(), {"--live", "--speed", "1e6", "-o", dir.file("cut.ab")});
    // Inside a record of the first minute, at a record's end in the second.
    for (const size_t limit :
         {ends[ends.size() / 4] + 7, ends[ends.size() * 3 / 4], size_t{5000}}) {
        std::filesystem::remove(dir.file("cut.ab"));
        std::filesystem::remove(dir.file("cut.abh"));
        rlimit old{}, low{};
        getrlimit(RLIMIT_FSIZE, &old);
        low = {limit, old.rlim_max};
        const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &low);
        const test::ProgramRun run = test::run_program(kAbgen, args, kLimit);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, old_handler);
        EXPECT_EQ(run.status, 1) << limit;
        EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
        const uint32_t kept =
            static_cast<uint32_t>(*std::prev(std::upper_bound(ends.begin(), ends.end(), limit)));
        std::vector<uint8_t> index = test::read_file(dir.file("whole.abh"));
        if (limit < index.size()) {
            EXPECT_FALSE(std::filesystem::exists(dir.file("cut.ab")) ||
                         std::filesystem::exists(dir.file("cut.abh")));
            continue;
        }
        for (size_t at = 0; at < index.size(); at += 4)
            store_u32(&index[at], std::min(load_u32(&index[at]), kept));
        EXPECT_TRUE(test::read_file(dir.file("cut.ab")) ==
                    std::vector<uint8_t>(whole.begin(), whole.begin() + kept));
        EXPECT_TRUE(test::read_file(dir.file("cut.abh")) == index) << limit;
        const test::ProgramRun replay =
            test::run_program(kReplay, {"--events", dir.file("cut.ab")}, kLimit);
        EXPECT_EQ(replay.status, 0) << replay.err;
        EXPECT_EQ(replay.out.find("fatal"), std::string::npos) << limit;
    }
}

}  // namespace
}  // namespace korvel
