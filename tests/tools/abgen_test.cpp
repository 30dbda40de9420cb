// Runs the built abgen program and reads what it wrote back through the record reader and
// the decoder.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "common/little_endian.h"
#include "format/header_reader.h"
#include "format/raw_record.h"
#include "io/memory_source.h"
#include "support/recording_readback.h"
#include "support/replay_runner.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

const std::string kAbgen = std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen";

// One directory per test process: ctest runs the cases of this file side by side.
std::string temp_path(const std::string& name) {
    static const test::TempDir dir;
    return dir.file(name);
}

std::vector<uint8_t> file_bytes(const std::string& path) {
    return test::read_file(path);
}

bool exists(const std::string& path) {
    return std::ifstream(path).good();
}

using test::ProgramRun;

ProgramRun run_abgen(const std::vector<std::string>& args) {
    return test::run_program(kAbgen, args, std::chrono::seconds(60));
}

void remove_recording(const std::string& ab) {
    std::remove(ab.c_str());
    std::remove((ab.substr(0, ab.size() - 3) + ".abh").c_str());
}

TEST(Abgen, HelpExplainsEveryOption) {
    const ProgramRun r = run_abgen({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* option : {"--seed", "--version", "--line-rate", "--width", "--date", "--start",
                               "--duration", "--drops-per-second", "-o OUT.ab"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    // Neither text says that the files are overwritten: --live never writes over one.
    const std::vector<uint8_t> man =
        file_bytes(std::string(KORVEL_SOURCE_DIR) + "/resources/man/abgen.1");
    for (const std::string& text : {r.out, std::string(man.begin(), man.end())})
        EXPECT_EQ(text.find("overwritten"), std::string::npos) << text;
}

TEST(Abgen, BadUsageExits2WithAMessageAndWritesNothing) {
    const std::string out = temp_path("bad.ab");
    remove_recording(out);
    const std::vector<std::vector<std::string>> bad = {
        {},                                               // no output named
        {"--bogus", "-o", out},                           // unknown option
        {"-o"},                                           // option without value
        {"--seed", "x1", "-o", out},                      // not a number
        {"--version", "3", "-o", out},                    // no such header version
        {"--version", "1", "--width", "600", "-o", out},  // only version 2 stores a width
        {"--width", "513", "-o", out},                    // odd: half_width would lose a pixel
        {"--date", "2001-02-29", "-o", out},              // no such day
        {"--date", "2040-01-01", "-o", out},              // start_time beyond 32 bits
        {"--start", "24:00:00", "-o", out},               // no such time
        {"--start", "23:59:00", "--duration", "61", "-o", out},  // runs past midnight
        {"--duration", "0", "-o", out},
        {"--line-rate", "-5", "-o", out},
        {"--version", "0", "--line-rate", "20", "-o", out},  // divisor beyond 16 bits
        {"--version", "1", "--line-rate", "60000", "--start", "23:00:00", "-o", out},  // u32 lines
        {"-o", temp_path("bad.txt")},                                // index path needs a .ab name
        {"--date", "2038-01-19", "-o", out},                         // beyond the stated range
        {"--date", "1901-12-13", "--start", "21:00:00", "-o", out},  // before it, though it fits
        {"--line-rate", "2", "--drops-per-second", "1000000", "-o", out},  // never finishes
        {"-o", out, "--", "more"},  // abgen takes no operands
    };
    for (const auto& args : bad) {
        std::string shown;
        for (const auto& a : args) shown += a + " ";
        const ProgramRun r = run_abgen(args);
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_FALSE(r.err.empty()) << shown;
        EXPECT_FALSE(exists(out)) << shown;
    }
}

TEST(Abgen, SameSeedSameBytesOtherSeedOtherBytes) {
    const std::string first = temp_path("seed_a.ab");
    const std::string second = temp_path("seed_b.ab");
    const std::string other = temp_path("seed_c.ab");
    const std::vector<std::string> common = {"--duration", "8",       "--drops-per-second",
                                             "200",        "--start", "07:00:00"};
    auto with = [&](const std::string& seed, const std::string& out) {
        std::vector<std::string> args = common;
        for (const std::string& a : {std::string("--seed"), seed, std::string("-o"), out})
            args.push_back(a);
        return args;
    };
    ASSERT_EQ(run_abgen(with("42", first)).status, 0);
    ASSERT_EQ(run_abgen(with("42", second)).status, 0);
    ASSERT_EQ(run_abgen(with("43", other)).status, 0);
    const auto a = file_bytes(first);
    EXPECT_GT(a.size(), 10000u);
    EXPECT_EQ(a, file_bytes(second));
    EXPECT_EQ(file_bytes(temp_path("seed_a.abh")), file_bytes(temp_path("seed_b.abh")));
    EXPECT_NE(a, file_bytes(other));
    for (const auto& p : {first, second, other}) remove_recording(p);
}

struct Shape {
    int version;
    std::string line_rate;
    std::string width;
    std::string drops;
    double effective_rate;  // what a reader takes from the header
    bool heavy;             // so much rain that overlapping shadows merge to six runs
};

// Names the test cases by what they generate, not by the bytes of the parameter.
void PrintTo(const Shape& s, std::ostream* os) {
    *os << "version " << s.version << ", " << s.line_rate << " lines/s";
}

class AbgenRecording : public testing::TestWithParam<Shape> {};

// The recording is what a viewer can play: header values as asked, records within the
// reader's limits and decoding whole, line numbers strictly rising per camera inside the
// recorded time, cameras interleaved in time, and an index that names the right records.
TEST_P(AbgenRecording, IsWellFormed) {
    const Shape s = GetParam();
    const std::string out = temp_path("shape.ab");
    const ProgramRun r =
        run_abgen({"--version", std::to_string(s.version), "--line-rate", s.line_rate, "--width",
                   s.width, "--drops-per-second", s.drops, "--date", "2024-03-01", "--start",
                   "00:00:50", "--duration", "25", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto ab = file_bytes(out);
    const auto abh = file_bytes(temp_path("shape.abh"));
    remove_recording(out);
    EXPECT_NE(r.out.find("(" + std::to_string(ab.size()) + " bytes)"), std::string::npos) << r.out;

    MemorySource source(ab);
    HeaderArea area;
    const HeaderInfo info = read_header(source, area);
    const auto version = static_cast<int16_t>(s.version);
    EXPECT_EQ(info.header_version, version);
    EXPECT_EQ(info.line_rate, s.effective_rate);
    const int width = std::stoi(s.width);
    EXPECT_EQ(info.line_width, width);
    EXPECT_EQ(info.start_time, 1709251200 + 50);  // 2024-03-01 00:00:50 UTC

    const double first_line = std::floor(50 * s.effective_rate);
    const double end_line = first_line + std::floor(25 * s.effective_rate);
    const auto records = test::read_all_records(ab);
    double last_y[2] = {-1, -1};
    double last_first = -1;
    size_t lines_seen[2] = {0, 0};
    int most_runs = 0;
    std::vector<double> record_first_line(records.size(), -1.0);
    for (size_t i = 1; i < records.size(); ++i) {
        const auto& rec = records[i];
        ASSERT_TRUE(rec.type == kCameraARecord || rec.type == kCameraBRecord) << i;
        ASSERT_LE(rec.payload.size(), static_cast<size_t>(kPayloadCapacity));
        const auto lines = test::decode_whole(rec.payload, version);
        ASSERT_FALSE(lines.empty()) << "record " << i << " without lines";
        record_first_line[i] = lines.front().y_count;
        EXPECT_GE(lines.front().y_count, last_first) << "cameras not interleaved in time";
        last_first = lines.front().y_count;
        const size_t cam = rec.type == kCameraARecord ? 0 : 1;
        lines_seen[cam] += lines.size();
        for (const LineEntry& line : lines) {
            ASSERT_GT(line.y_count, last_y[cam]) << "camera " << cam << " line order";
            last_y[cam] = line.y_count;
            ASSERT_GE(line.y_count, first_line);
            ASSERT_LT(line.y_count, end_line);
            ASSERT_GE(line.segment_count, 1);
            most_runs = std::max<int>(most_runs, line.segment_count);
            int prev_end = -2;
            for (int k = 0; k < line.segment_count; ++k) {
                const Segment seg = line.segments[static_cast<size_t>(k)];
                ASSERT_GE(seg.start_x, prev_end + 2) << "runs overlap or touch";
                ASSERT_LE(seg.start_x, seg.end_x);
                ASSERT_LT(seg.end_x, width);
                prev_end = seg.end_x;
            }
        }
    }
    EXPECT_GT(lines_seen[0], 1000u);
    EXPECT_GT(lines_seen[1], 1000u);
    if (s.heavy) {
        EXPECT_EQ(most_runs, 6);
    }

    // Entry m: the first record of that camera whose first line lies in minute m or later.
    const auto tables = test::read_index(abh);
    const double per_minute = std::floor(s.effective_rate * 60);
    for (size_t cam = 0; cam < 2; ++cam) {
        ASSERT_EQ(tables[cam].size(), 1442u);
        const int16_t type = cam == 0 ? kCameraARecord : kCameraBRecord;
        for (size_t m = 0; m < 1442; ++m) {
            uint32_t expected = static_cast<uint32_t>(ab.size());
            for (size_t i = 1; i < records.size(); ++i) {
                if (records[i].type != type) continue;
                if (std::floor(record_first_line[i] / per_minute) >= static_cast<double>(m)) {
                    expected = records[i].offset;
                    break;
                }
            }
            ASSERT_EQ(tables[cam][m], expected) << "camera " << cam << " minute " << m;
        }
        EXPECT_NE(tables[cam][1], tables[cam][0]);  // minute 1 begins inside the recording
        EXPECT_EQ(tables[cam][2], ab.size());       // it ends at 00:01:15
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, AbgenRecording,
                         testing::Values(Shape{0, "10000", "512", "80", 10026.0,
                                               false},  // divisor 119
                                         Shape{1, "2500", "512", "80", 2500.0, false},
                                         Shape{2, "20000", "1024", "4000", 20000.0, true}),
                         [](const testing::TestParamInfo<Shape>& info) {
                             return "version" + std::to_string(info.param.version);
                         });

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// A message must name the value that is wrong.
TEST(Abgen, BadValuesAreNamedInTheMessage) {
    const std::string out = temp_path("named.ab");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--date", "-5-01-01"}, "'-5-01-01'"},
        {{"--date", "2001-06"}, "'2001-06'"},
        {{"--date", "2001-+6-07"}, "'2001-+6-07'"},
        {{"--start", "1:2:3:4"}, "'1:2:3:4'"},
        {{"--seed", "-1"}, "--seed takes a whole number from 0 to 18446744073709551615, not '-1'"},
        {{"--width", " 64"}, "--width takes a whole number from 0 to 2147483647, not ' 64'"},
        {{"--date", "2038-01-19"}, "1901-12-14 to 2038-01-18"},
        {{"--", "x.ab"}, "'x.ab'"},
        // The option the user gave is the one named, and the limits are the ones enforced.
        {{"--line-rate", "0.0167"}, "--line-rate: 0.0167 lines/s is too slow"},
        {{"--version", "0", "--line-rate", "36.4"}, "from 36.42 to 1000000 lines/s"},
        {{"--line-rate", "1e6", "--drops-per-second", "1e6", "--duration", "86400"},
         "at most 50000000"},
        {{"--line-rate", "1e6", "--drops-per-second", "1e6", "--duration", "10"},
         "at most 2000000000"},
        // A live run's last wait, 20 s / 1e-300, is beyond what the clock holds.
        {{"--live", "--speed", "1e-300", "--duration", "20"}, "use --speed 2e-08 or more"},
    };
    for (const auto& [args, named] : cases) {
        std::vector<std::string> full = {"-o", out};
        full.insert(full.begin(), args.begin(), args.end());
        const ProgramRun r = run_abgen(full);
        EXPECT_EQ(r.status, 2) << named;
        EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
    }
}

// The stated date range is the one enforced, at every time of day.
TEST(Abgen, EveryTimeOfTheFirstAndLastDaysIsAccepted) {
    const std::string out = temp_path("edge.ab");
    const std::vector<std::vector<std::string>> good = {
        {"--date", "1901-12-14", "--start", "00:00:00", "--duration", "1", "-o", out},
        {"--date", "2038-01-18", "--start", "23:59:00", "--duration", "1", "-o", out},
        {"--duration", "1", "-o", out, "--"},  // "--" alone ends the options
    };
    for (const auto& args : good) {
        const ProgramRun r = run_abgen(args);
        EXPECT_EQ(r.status, 0) << args[1] << " " << r.err;
    }
    remove_recording(out);
}

std::vector<std::string> entries_of(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<uint8_t> kUserBytes = {'u', 's', 'e', 'r'};

// A run that cannot write its files removes only what it created: a user's recording and
// index, or a directory in the way, stay as they were.
TEST(Abgen, AFailedRunLeavesEveryExistingFileAsItWas) {
    struct Case {
        const char* what;
        bool ab_is_dir;
        bool abh_is_dir;
    };
    for (const Case c : {Case{"OUT.ab is a directory", true, false},
                         Case{"OUT.abh is a directory", false, true}}) {
        test::TempDir dir;
        const std::string ab = dir.file("rec.ab");
        const std::string abh = dir.file("rec.abh");
        if (c.ab_is_dir) {
            std::filesystem::create_directory(ab);
        } else {
            test::write_file(ab, kUserBytes);
        }
        if (c.abh_is_dir) {
            std::filesystem::create_directory(abh);
        } else {
            test::write_file(abh, kUserBytes);
        }
        const auto before = entries_of(dir.path());
        const ProgramRun r = run_abgen({"--duration", "1", "-o", ab});
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
        EXPECT_EQ(entries_of(dir.path()), before) << c.what;
        EXPECT_TRUE(std::filesystem::is_directory(c.ab_is_dir ? ab : abh)) << c.what;
        EXPECT_EQ(file_bytes(c.ab_is_dir ? abh : ab), kUserBytes) << c.what;
    }
    const ProgramRun r = run_abgen({"-o", temp_path("no/such/dir.ab")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("dir.ab"), std::string::npos) << r.err;
}

// Earlier files are replaced only by a finished recording: a run killed half-way leaves them
// whole, and one that finishes replaces both.
TEST(Abgen, OnlyAFinishedRecordingReplacesEarlierFiles) {
    test::TempDir dir;
    const std::string ab = dir.file("rec.ab");
    const std::string abh = dir.file("rec.abh");
    test::write_file(ab, kUserBytes);
    test::write_file(abh, kUserBytes);
    const ProgramRun killed = test::run_program(
        kAbgen,
        {"--line-rate", "20000", "--duration", "3600", "--drops-per-second", "5000", "-o", ab},
        std::chrono::milliseconds(400));
    ASSERT_TRUE(killed.timed_out) << "the run finished before it could be killed";
    EXPECT_EQ(file_bytes(ab), kUserBytes);
    EXPECT_EQ(file_bytes(abh), kUserBytes);

    const ProgramRun done = run_abgen({"--duration", "2", "-o", ab});
    ASSERT_EQ(done.status, 0) << done.err;
    const auto written = file_bytes(ab);
    EXPECT_NE(done.out.find("(" + std::to_string(written.size()) + " bytes)"), std::string::npos);
    EXPECT_EQ(file_bytes(abh).size(), 11536u);
}

// The report is what a caller learns of the run: when it cannot be written, the run fails.
TEST(Abgen, AReportThatCannotBeWrittenFailsTheRun) {
    const std::string out = temp_path("full.ab");
    const ProgramRun r = test::run_program_to("/dev/full", kAbgen, {"--duration", "1", "-o", out});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("standard output"), std::string::npos) << r.err;
    remove_recording(out);
}

// abgen --live against what can happen to a recording while it grows: another abgen run
// aimed at it, its files removed or replaced, a write that fails part way.
const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";

// A plain run into a live recording's name waits, saying so, and the live run finds its own
// files in place to the end; whatever takes the name away stops it with status 1, naming the file.
TEST(AbgenLive, APlainRunWaitsForItAndTakingItsNameAwayStopsIt) {
    for (const auto& [file, said] : {std::pair{"", ""}, {"L.ab", "was removed"},
                                     {"L.ab", "was replaced"}, {"L.abh", "was replaced"}}) {
        test::TempDir dir;
        const std::string ab = dir.file("L.ab"), gone = dir.file(file);
        test::ProgramRun run, plain;
        std::thread live([&] {
            run = run_abgen({"--duration", "30", "--live", "--speed", "10", "-o", ab});
        });
        while (!exists(ab) || std::filesystem::file_size(ab) < 60)  // once ab holds its header
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!*said) plain = test::run_program(kAbgen, {"--seed", "51", "-o", ab});
        if (*said) std::filesystem::remove(gone);
        if (std::string(said) == "was replaced") test::write_text_file(gone, "another file");
        live.join();
        EXPECT_EQ(run.status, *said ? 1 : 0) << gone << " " << said << run.err;
        const std::string& told = *said ? run.err : plain.err;
        EXPECT_NE(told.find(*said ? gone + " " + said : "waiting for another abgen run"),
                  std::string::npos)
            << told;
        EXPECT_TRUE(*said || plain.status == 0) << plain.err;
    }
}

// A failed write (EFBIG under a file size limit, SIGXFSZ ignored, as ENOSPC on a full disk)
// leaves the longest prefix of whole records of the recording written whole, and the index
// of exactly those records (entries past the end hold the end, as in any index), which
// replays without an error. Below the index's own size nothing is left.
TEST(AbgenLive, AFailedWriteLeavesWholeRecordsAndTheirIndex) {
    test::TempDir dir;
    std::vector<std::string> args = {"--seed",  "3",        "--duration", "70",
                                     "--start", "12:00:30", "-o",         dir.file("whole.ab")};
    ASSERT_EQ(run_abgen(args).status, 0);
    const std::vector<uint8_t> whole = test::read_file(dir.file("whole.ab"));
    std::vector<size_t> ends = {0};  // where each record ends
    while (whole.size() - ends.back() >= 4)
        ends.push_back(ends.back() + 4 + load_u16(&whole[ends.back() + 2]));
    args.back() = dir.file("cut.ab");
    args.insert(args.end() - 2, {"--live", "--speed", "1e6"});
    // Inside a record of the first minute, at a record's end in the second.
    for (const size_t limit :
         {ends[ends.size() / 4] + 7, ends[ends.size() * 3 / 4], size_t{5000}}) {
        remove_recording(dir.file("cut.ab"));
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit low = {limit, old.rlim_max};
        const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &low);
        const ProgramRun run = run_abgen(args);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, old_handler);
        EXPECT_EQ(run.status, 1) << limit;
        EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
        const uint32_t kept =
            static_cast<uint32_t>(*std::prev(std::upper_bound(ends.begin(), ends.end(), limit)));
        std::vector<uint8_t> index = test::read_file(dir.file("whole.abh"));
        if (limit < index.size()) {
            EXPECT_FALSE(exists(dir.file("cut.ab")) || exists(dir.file("cut.abh")));
            continue;
        }
        for (size_t at = 0; at < index.size(); at += 4)
            store_u32(&index[at], std::min(load_u32(&index[at]), kept));
        EXPECT_TRUE(test::read_file(dir.file("cut.ab")) ==
                    std::vector<uint8_t>(whole.begin(), whole.begin() + kept));
        EXPECT_TRUE(test::read_file(dir.file("cut.abh")) == index) << limit;
        const ProgramRun replay = test::run_program(kReplay, {"--events", dir.file("cut.ab")});
        EXPECT_EQ(replay.status, 0) << limit << replay.out << replay.err;  // 1 after a fatal event
    }
}

}  // namespace
}  // namespace korvel
