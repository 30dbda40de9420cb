// korvel run as a program, as a desktop or a script starts it: its command line and its
// fatal path, to the exit status.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>

#include "format/raw_record.h"
#include "support/replay_runner.h"
#include "support/temp_dir.h"

namespace korvel::test {
namespace {

const std::string kKorvel = std::string(KORVEL_BIN_DIR) + "/src/shell/korvel";
// A korvel that hangs instead of ending fails the test rather than the whole run.
constexpr std::chrono::milliseconds kLimit{30000};
const std::string kAbgen = std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen";

// Message boxes are accepted as soon as they show and their texts echoed on stderr.
class KorvelProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("KORVEL_AUTO_DIALOGS", "accept", 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    }
    void TearDown() override { unsetenv("KORVEL_AUTO_DIALOGS"); }

    std::string recording(int seconds) {
        const std::string path = dir.file("rain.ab");
        const ProgramRun r =
            run_program(kAbgen, {"--seed", "3", "--duration", std::to_string(seconds), "-o", path});
        EXPECT_EQ(r.status, 0) << r.err;
        return path;
    }

    TempDir dir;
};

// The offset just inside the payload of the record that follows the first count records.
size_t inside_record(const std::vector<uint8_t>& bytes, int count) {
    size_t pos = 0;
    for (int i = 0; i <= count; ++i) {
        if (pos + 4 > bytes.size()) return 0;
        int16_t n;
        std::memcpy(&n, &bytes[pos + 2], 2);  // little-endian host, as the build machine is
        if (i == count) return pos + 4 + static_cast<size_t>(n) / 2;
        pos += 4 + static_cast<size_t>(n);
    }
    return 0;
}

TEST_F(KorvelProgram, ATruncatedRecordingShowsMp04AndEndsWithStatusOne) {
    const std::string path = recording(10);
    std::vector<uint8_t> bytes = read_file(path);
    const size_t cut = inside_record(bytes, 30);
    ASSERT_GT(cut, 0u);
    bytes.resize(cut);
    write_file(path, bytes);

    const ProgramRun r = run_program(kKorvel, {"--play", "-Embedding", path}, kLimit);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("korvel: mp04\n"), std::string::npos) << r.err;
    EXPECT_EQ(read_file(path), bytes);  // the user's file is never written
}

TEST_F(KorvelProgram, AMissingFileIsFatalToo) {
    const ProgramRun r = run_program(kKorvel, {"-Embedding", dir.file("none.ab")}, kLimit);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("korvel: Could not open because: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("none.ab wurde nicht gefunden."), std::string::npos) << r.err;
}

TEST_F(KorvelProgram, HelpVersionAndUsageErrors) {
    const ProgramRun help = run_program(kKorvel, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--play"), std::string::npos);
    const ProgramRun version = run_program(kKorvel, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("KORVEL, v.7.01"), std::string::npos);
    EXPECT_EQ(version.out.rfind("korvel " KORVEL_VERSION " (", 0), 0u) << version.out;
    const ProgramRun two = run_program(kKorvel, {"a.ab", "b.ab"});
    EXPECT_EQ(two.status, 2);
    EXPECT_NE(two.err.find("at most one data file"), std::string::npos);
}

TEST_F(KorvelProgram, EveryOptionIsAnsweredWithoutADisplay) {
    const struct {
        std::vector<std::string> args;
        int status;
        bool on_stderr;
        const char* says;
    } cases[] = {
        {{"--help"}, 0, false, "--play"},
        {{"--version"}, 0, false, "KORVEL, v.7.01"},
        {{"-h"}, 0, false, "--play"},
        {{"--help-all"}, 0, false, "-platform"},
        {{"--bogus"}, 2, true, "--play"},  // the usage follows the error
        {{"-platform", "offscreen", "--bogus"}, 2, true, "bogus"},
        {{"a.ab", "b.ab", "-style=fusion"}, 2, true, "at most one data file"},
    };
    for (const auto& c : cases) {  // env(1) takes the display settings away first
        std::vector<std::string> args{"-u", "QT_QPA_PLATFORM", "-u",   "DISPLAY",
                                      "-u", "WAYLAND_DISPLAY", kKorvel};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProgramRun r = run_program("/usr/bin/env", args, kLimit);
        EXPECT_EQ(r.status, c.status) << c.args.front() << " " << r.err;
        EXPECT_NE((c.on_stderr ? r.err : r.out).find(c.says), std::string::npos) << c.args.front();
    }
}

}  // namespace
}  // namespace korvel::test
