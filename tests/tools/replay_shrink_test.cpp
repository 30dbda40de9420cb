// A recording cut shorter by another program while korvel-replay reads it must end the
// replay with status 1 and a message that names the file and both lengths, not with status
// 0 and a summary of what little was left.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/replay_runner.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

const std::string kAbgen = std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen";
const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";

// The replay writes its events into a pipe the test does not read at first. Its output (a few
// megabytes) is far more than its output buffer and the pipe hold, so it cannot finish
// before the test drains the pipe: the first byte arrives only once it has read well into
// the file, and then the file is cut to its first 100 bytes.
TEST(ReplayOfAShrinkingFile, EndsWithStatus1AndBothLengths) {
    test::TempDir dir;
    const std::string ab = dir.file("shrinking.ab");
    const test::ProgramRun made = test::run_program(
        kAbgen, {"--duration", "60", "--drops-per-second", "300", "--seed", "5", "-o", ab});
    ASSERT_EQ(made.status, 0) << made.err;
    const auto size = std::filesystem::file_size(ab);

    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const std::string err_path = dir.file("stderr");
    const int err_fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(err_fd, 0);
    std::vector<std::string> args = {kReplay, "--events", "--corrections-dir", dir.path(), ab};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err_fd, STDERR_FILENO);
        close(out[0]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    close(out[1]);
    close(err_fd);

    char buf[65536];
    ssize_t got = read(out[0], buf, 1);  // blocks until the replay's buffer first spills
    EXPECT_EQ(got, 1);
    std::filesystem::resize_file(ab, 100);
    size_t drained = 1;
    while ((got = read(out[0], buf, sizeof buf)) > 0) drained += static_cast<size_t>(got);
    close(out[0]);
    int raw = 0;
    ASSERT_EQ(waitpid(pid, &raw, 0), pid);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_GT(drained, size_t{1} << 20);
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    const auto err_bytes = test::read_file(err_path);
    const std::string err(err_bytes.begin(), err_bytes.end());
    const std::string expected =
        ab + " shrank during the replay from " + std::to_string(size) + " to 100 bytes, below ";
    EXPECT_EQ(err.rfind(expected, 0), 0u) << err;
}

}  // namespace
}  // namespace korvel
