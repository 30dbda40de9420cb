// korvel-replay's outputs as a careless or hostile user meets them: an output that names an
// input, a full device, a write cut short, a Qt platform that can't start, a temporary
// directory that is not there, too few file descriptors.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "statistics/minute_csv.h"
#include "support/replay_runner.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

using Strings = std::vector<std::string>;

const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";
const std::string kAbgen = std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen";
const std::vector<uint8_t> kOld = {'o', 'l', 'd'};

class ReplayOutputsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        rec = dir.file("rain.ab");
        const auto run = test::run_program(kAbgen, {"--duration", "3", "-o", rec});
        ASSERT_EQ(run.status, 0) << run.err;
        rec_bytes = test::read_file(rec);
        index_bytes = test::read_file(rec + "h");
    }
    test::ProgramRun replay(Strings args) {
        args.insert(args.begin(), {"--corrections-dir", dir.path()});
        return test::run_program(kReplay, args, std::chrono::seconds(60));
    }
    // korvel-replay run by the shell after the given settings (ulimit, trap).
    test::ProgramRun replay_after(const std::string& settings, const Strings& args) {
        std::string line = settings + "; exec '" + kReplay + "' --corrections-dir '" + dir.path() + "'";
        for (const auto& a : args) line += " '" + a + "'";
        return test::run_program("/bin/sh", {"-c", line}, std::chrono::seconds(60));
    }
    // A build without Qt refuses the picture options before anything else is checked.
    bool pictures_built() {
        static const bool built =
            replay({"--overview", dir.file("probe.png"), "--max-steps", "1", rec})
                .err.find("needs the build with Qt") == std::string::npos;
        return built;
    }
    bool skipped(const Strings& args) {
        const auto end = args.end();
        return !pictures_built() && (std::find(args.begin(), end, "--overview") != end ||
                                     std::find(args.begin(), end, "--snapshot") != end);
    }
    void expect_inputs_intact(const std::string& shown) {
        EXPECT_EQ(test::read_file(rec), rec_bytes) << shown;
        EXPECT_EQ(test::read_file(rec + "h"), index_bytes) << shown;
    }
    // Names in the directory that no test made: leftover temporary files.
    Strings leftovers() {
        Strings names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            const std::string name = e.path().filename().string();
            if (name.rfind(".korvel-replay", 0) == 0) names.push_back(name);
        }
        return names;
    }
    test::TempDir dir;
    std::string rec;
    std::vector<uint8_t> rec_bytes;
    std::vector<uint8_t> index_bytes;
};

// Refused before anything is replayed, by identity and not by spelling: a link, another
// spelling, standard output; the message names both files and the inputs are untouched.
// Every output's place is checked before the replay too, a directory named as a recording is
// called one, and each reason is the system's.
TEST_F(ReplayOutputsTest, OutputsThatAreInputsOrCannotBePlacedAreRefusedBeforeReplaying) {
    std::filesystem::create_hard_link(rec + "h", dir.file("index-link.csv"));
    std::filesystem::create_symlink(rec, dir.file("rec-link.png"));
    const std::string other = dir.file("other.ab");
    std::filesystem::copy_file(rec, other);
    std::filesystem::copy_file(rec + "h", other + "h");
    const struct {
        Strings args;
        std::string first, second;
    } cases[] = {
        {{"--minutes", other, rec}, other, ".ab"},  // --minutes *.ab
        {{"--minutes", rec + "h", rec}, rec + "h", ".abh"},
        {{"--minutes", dir.file("index-link.csv"), rec}, "index-link.csv", rec + "h"},
        {{"--overview", dir.file("rec-link.png"), rec}, "rec-link.png", rec},
        {{"--snapshot", dir.file("rec-link.png"), rec}, "rec-link.png", rec},
        {{"--pairs", dir.file("rec-link.png"), rec}, "--pairs " + dir.file("rec-link.png"), rec},
        {{"--pairs", dir.file("index-link.csv"), rec}, "the index", rec + "h"},
        {{"--minutes", dir.file("same.out"), "--overview", dir.path() + "/./same.out", rec},
         "--minutes", "--overview"},
        {{"--events", "--minutes", "/dev/stdout", rec}, "/dev/stdout", "standard output"},
        {{"--minutes", "/dev/stdout", rec}, "/dev/stdout", "standard output"},
        {{"--minutes", dir.file("none/x.csv"), rec}, "", std::strerror(ENOENT)},
        {{"--overview", dir.file("none/x.png"), rec}, "", std::strerror(ENOENT)},
        {{"--snapshot", dir.file("none/x.png"), rec}, "", std::strerror(ENOENT)},
        {{"--pairs", dir.file("none/x.csv"), rec}, "", std::strerror(ENOENT)},
        {{"--overview", dir.path(), rec}, "", std::strerror(EISDIR)},
        {{"--minutes", rec + "/x.csv", rec}, "", std::strerror(ENOTDIR)},
        {{dir.path()}, "", "is a directory"},
    };
    for (const auto& c : cases) {
        if (skipped(c.args)) continue;
        const test::ProgramRun run = replay(c.args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(c.args);
        EXPECT_EQ(run.out, "") << ::testing::PrintToString(c.args) << ": the replay ran";
        EXPECT_NE(run.err.find(c.first), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.second), std::string::npos) << run.err;
        expect_inputs_intact(::testing::PrintToString(c.args));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("same.out")));
}

// A write that fails says why and exits 1: a full device, or a file size limit that cuts the
// picture short, where the earlier file stays as it was and no temporary file is left.
TEST_F(ReplayOutputsTest, AnOutputThatCannotBeWrittenExits1WithTheReason) {
    const std::string full = std::strerror(ENOSPC);
    for (const Strings& args : {Strings{"--overview", "/dev/full", rec},
                                Strings{"--snapshot", "/dev/full", rec},
                                Strings{"--minutes", "/dev/full", rec}}) {
        if (skipped(args)) continue;
        const test::ProgramRun run = replay(args);
        EXPECT_EQ(run.status, 1) << ::testing::PrintToString(args);
        EXPECT_NE(run.err.find(full), std::string::npos) << run.err;
    }
    const test::ProgramRun to_full = test::run_program_to("/dev/full", kReplay, {rec});
    EXPECT_EQ(to_full.status, 1);
    EXPECT_NE(to_full.err.find(full), std::string::npos) << to_full.err;

    if (!pictures_built()) return;
    for (const char* option : {"--overview", "--snapshot"}) {
        const std::string png = dir.file("kept.png");
        test::write_file(png, kOld);
        // 8 blocks of 512 bytes: the summary fits, the picture does not.
        const test::ProgramRun run = replay_after("trap '' XFSZ; ulimit -f 8", {option, png, rec});
        EXPECT_EQ(run.status, 1) << option << run.err;
        EXPECT_NE(run.err.find(std::strerror(EFBIG)), std::string::npos) << run.err;
        EXPECT_EQ(test::read_file(png), kOld) << option;
        EXPECT_EQ(leftovers(), Strings{}) << option;
    }
}

// Pictures are drawn offscreen whatever QT_QPA_PLATFORM says, and nothing is said about
// XDG_RUNTIME_DIR.
TEST_F(ReplayOutputsTest, PicturesNeedNoDisplayWhateverTheEnvironmentSays) {
    if (!pictures_built()) GTEST_SKIP() << "korvel-replay was built without Qt";
    for (const std::string platform : {"xcb", "wayland", "no-such-platform", ""}) {
        for (const char* option : {"--snapshot", "--overview"}) {
            const std::string png = dir.file("p.png");
            const test::ProgramRun run = replay_after(
                "unset DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR; export QT_QPA_PLATFORM='" +
                    platform + "'",
                {option, png, rec});
            EXPECT_EQ(run.status, 0) << platform << " " << option << ": " << run.err;
            EXPECT_EQ(run.term_signal, 0) << platform << " " << option;
            EXPECT_EQ(run.err.find("XDG_RUNTIME_DIR"), std::string::npos) << run.err;
            EXPECT_TRUE(std::filesystem::exists(png)) << platform << " " << option;
            std::filesystem::remove(png);
        }
    }
}

// Several files: the spool follows TMPDIR and says why it can't be made, and no more spool
// files are open than --jobs, so thirty files replay under a limit of twenty descriptors.
TEST_F(ReplayOutputsTest, SeveralFilesSpoolInTmpdirWithinTheJobs) {
    const test::ProgramRun no_tmp =
        replay_after("export TMPDIR='" + dir.file("no-tmp") + "'", {rec, rec});
    EXPECT_EQ(no_tmp.status, 1);
    EXPECT_NE(no_tmp.err.find(dir.file("no-tmp")), std::string::npos) << no_tmp.err;
    EXPECT_NE(no_tmp.err.find(std::strerror(ENOENT)), std::string::npos) << no_tmp.err;
    Strings names;
    for (int i = 0; i < 30; ++i) {
        names.push_back(dir.file("n" + std::to_string(i) + ".ab"));
        std::filesystem::create_hard_link(rec, names.back());
        std::filesystem::create_hard_link(rec + "h", names.back() + "h");
    }
    Strings args = {"--jobs", "2"};
    args.insert(args.end(), names.begin(), names.end());
    const test::ProgramRun run = replay_after("ulimit -n 20", args);
    EXPECT_EQ(run.status, 0) << run.err;
    size_t at = 0;
    for (const auto& name : names) {  // every summary, in the order named
        at = run.out.find("korvel-replay: " + name + "\n", at);
        ASSERT_NE(at, std::string::npos) << name;
    }
}

// The CSV's rows of zeros stay within the recording's day, however far the line numbers leap,
// and a file name that is not UTF-8 is escaped as the events escape it.
TEST(ReplayCsv, FilledMinutesStayWithinTheDayAndNamesStayUtf8) {
    const struct {
        std::vector<double> minutes;  // minutes with one record each
        long rows;
    } cases[] = {
        {{2, 5}, 4},                       // 00:02 to 00:05
        {{0, 1440}, 1441},                 // the whole day to 24:00
        {{10, 1450}, 2},                   // past 24:00: no rows between
        {{-3, 4}, 2},                      // before midnight
        {{0, 1400, 2800, 4200, 5600}, 1404},  // leaps of a day, each below the longest gap
    };
    for (const auto& c : cases) {
        MinuteStatistics stats(1000.0);
        for (const double m : c.minutes) stats.on_record({Camera::A, 0, 1, m * 60000.0, 0.0, true});
        long rows = 0;
        for_each_minute_row(stats, nullptr, [&](const std::string&) { ++rows; });
        EXPECT_EQ(rows, c.rows) << c.minutes.back();
    }
    EXPECT_EQ(csv_field("caf\xe9-\xff.ab"), "caf\\u00e9-\\u00ff.ab");
    EXPECT_EQ(csv_field("caf\xc3\xa9.ab"), "caf\xc3\xa9.ab");
    EXPECT_EQ(csv_field("\xed\xa0\x80,x"), "\"\\u00ed\\u00a0\\u0080,x\"");  // no surrogates
    // The six characters \u00e9 come out apart from the byte 0xE9 above.
    EXPECT_EQ(csv_field("lat\\u00e9in.ab"), "lat\\\\u00e9in.ab");
}

}  // namespace
}  // namespace korvel
