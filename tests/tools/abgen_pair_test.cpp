// abgen's recording and index are replaced together: never one run's recording beside another
// recording's index.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/fatal_error.h"
#include "pair_commit.h"
#include "staged_file.h"
#include "support/replay_runner.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

const std::string kAbgen = std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen";

std::vector<uint8_t> bytes(const char* text) {
    return std::vector<uint8_t>(text, text + std::char_traits<char>::length(text));
}

// When the recording can't take its place (here a directory got in the way after the run
// began), the old index is put back and no temporary file stays; when it can, both change.
TEST(AbgenPair, TheOldIndexComesBackWhenTheRecordingCannotFollow) {
    for (const bool blocked : {true, false}) {
        test::TempDir dir;
        const std::string ab = dir.file("rec.ab");
        const std::string abh = dir.file("rec.abh");
        test::write_file(ab, bytes("old ab"));
        test::write_file(abh, bytes("old abh"));
        {
            StagedFile data(ab);
            StagedFile index(abh);
            data.sink().write(reinterpret_cast<const uint8_t*>("new ab"), 6);
            index.sink().write(reinterpret_cast<const uint8_t*>("new abh"), 7);
            if (blocked) {
                std::filesystem::remove(ab);
                std::filesystem::create_directory(ab);
                test::write_file(ab + "/inside", bytes("x"));
                EXPECT_THROW(commit_pair(data, index), FatalError);
            } else {
                commit_pair(data, index);
            }
        }
        EXPECT_EQ(test::read_file(abh), bytes(blocked ? "old abh" : "new abh"));
        if (!blocked) {
            EXPECT_EQ(test::read_file(ab), bytes("new ab"));
        }
        size_t entries = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            ++entries;
            EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
        }
        EXPECT_EQ(entries, 2u) << "blocked " << blocked;
    }
}

// A second run into the same place waits for the first, says so, and touches nothing meanwhile.
TEST(AbgenPair, ASecondRunWaitsForTheFirst) {
    test::TempDir dir;
    const std::string ab = dir.file("rec.ab");
    test::write_file(ab, bytes("old ab"));
    const int fd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // as a first run holds it
    const test::ProgramRun run = test::run_program(kAbgen, {"--duration", "1", "-o", ab},
                                                   std::chrono::milliseconds(1500));
    ::close(fd);
    EXPECT_TRUE(run.timed_out) << run.err;
    EXPECT_NE(run.err.find("waiting for another abgen run"), std::string::npos) << run.err;
    EXPECT_EQ(test::read_file(ab), bytes("old ab"));
}

// A name as long as the system allows (255 bytes) is written: the temporary name is short.
TEST(AbgenPair, TheLongestLegalNameIsWritten) {
    test::TempDir dir;
    const std::string ab = dir.file(std::string(251, 'n') + ".ab");
    const test::ProgramRun run = test::run_program(kAbgen, {"--duration", "1", "-o", ab});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(ab + "h"));
}

}  // namespace
}  // namespace korvel
