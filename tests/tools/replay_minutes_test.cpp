// korvel-replay's per-minute CSV and its replay of several files at once, run as the built
// program on recordings written to a directory of their own.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "format/raw_record.h"
#include "support/json_fields.h"
#include "support/replay_runner.h"
#include "support/step_recording.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

using Strings = std::vector<std::string>;

const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";
const std::string kAbgen = std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen";

const char* const kHeader =
    "time,records_a,records_b,lines_a,lines_b,waited_a,waited_b,pairs,rejects,drops_a,drops_b";

class ReplayMinutesTest : public ::testing::Test {
  protected:
    test::ProgramRun replay(Strings args) {
        args.insert(args.begin(), {"--corrections-dir", dir.path()});
        return test::run_program(kReplay, args, std::chrono::seconds(120));
    }
    std::string write(const test::StepRecording& r, const std::string& name) {
        const std::string ab = dir.file(name + ".ab");
        test::write_file(ab, r.ab());
        test::write_file(dir.file(name + ".abh"), r.abh());
        return ab;
    }
    std::string rain(const std::string& name, int seed, int seconds) {
        const std::string ab = dir.file(name + ".ab");
        const auto run =
            test::run_program(kAbgen, {"--seed", std::to_string(seed), "--line-rate", "2000",
                                       "--duration", std::to_string(seconds), "--start", "07:58:30",
                                       "--drops-per-second", "80", "-o", ab});
        EXPECT_EQ(run.status, 0) << run.err;
        return ab;
    }
    Strings read_lines(const std::string& path) {
        const auto bytes = test::read_file(path);
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        Strings lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    test::TempDir dir;
};

std::string unquote(const std::string& s) {
    return s.size() >= 2 && s.front() == '"' ? s.substr(1, s.size() - 2) : s;
}

double y_first_of(const std::string& particle_json) {
    const auto p = test::parse_json_object(particle_json);
    if (!p) {
        ADD_FAILURE() << "not a particle: " << particle_json;
        return 0.0;
    }
    return std::stod(test::json_value(*p, "y_first"));
}

// Adds up the event stream minute by minute into the CSV's rows (without the zero rows), as
// the CSV's columns define them: records and lines from record events, particles from wait
// events, decisions from match outcomes.
std::map<long long, std::vector<long long>> add_up_events(const Strings& lines, double rate) {
    std::map<long long, std::vector<long long>> rows;
    auto row = [&](double y) -> std::vector<long long>& {
        auto& r = rows[static_cast<long long>(std::trunc(y / (60 * rate)))];
        r.resize(10, 0);
        return r;
    };
    for (const std::string& line : lines) {
        const auto f = test::parse_json_object(line);
        if (!f) {
            ADD_FAILURE() << "not a JSON object: " << line;
            continue;
        }
        const std::string ev = unquote(test::json_value(*f, "ev"));
        if (ev == "record") {
            const bool a = unquote(test::json_value(*f, "cam")) == "A";
            auto& r = row(std::stod(test::json_value(*f, "y_first")));
            r[a ? 0 : 1] += 1;
            r[a ? 2 : 3] += std::stoll(test::json_value(*f, "n"));
        } else if (ev == "wait") {
            const bool a = unquote(test::json_value(*f, "cam")) == "A";
            row(y_first_of(test::json_value(*f, "p")))[a ? 4 : 5] += 1;
        } else if (ev == "match") {
            const std::string a = test::json_value(*f, "a");
            const std::string by = a != "null" ? a : test::json_value(*f, "b");
            const std::string outcome = unquote(test::json_value(*f, "outcome"));
            const int column = outcome == "pair"     ? 6
                               : outcome == "reject" ? 7
                               : outcome == "drop_a" ? 8
                                                     : 9;
            EXPECT_TRUE(outcome == "pair" || outcome == "reject" || outcome == "drop_a" ||
                        outcome == "drop_b")
                << outcome;
            row(y_first_of(by))[column] += 1;
        }
    }
    return rows;
}

// The CSV's rows by minute, "HH:MM" turned back into minutes; all-zero rows left out.
std::map<long long, std::vector<long long>> csv_rows(const Strings& lines) {
    std::map<long long, std::vector<long long>> rows;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        std::string field;
        std::getline(in, field, ',');
        const long long minute =
            std::stoll(field.substr(0, field.find(':'))) * 60 + std::stoll(field.substr(3));
        std::vector<long long> values;
        while (std::getline(in, field, ',')) values.push_back(std::stoll(field));
        EXPECT_EQ(values.size(), 10u) << lines[i];
        bool any = false;
        for (long long v : values) any = any || v != 0;
        if (any) rows[minute] = values;
    }
    return rows;
}

TEST_F(ReplayMinutesTest, TheCountsAreWhatTheEventStreamAddsUpTo) {
    const std::string ab = rain("rain", 5, 150);  // 07:58:30 to 08:01:00: four minutes
    for (const char* view : {"async", "sync"}) {  // --view none takes no --minutes
        const std::string csv = dir.file(std::string(view) + ".csv");
        const auto run = replay({"--view", view, "--events", "--minutes", csv, ab});
        ASSERT_EQ(run.status, 0) << run.err;
        const Strings rows = read_lines(csv);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0], kHeader);
        const auto expected = add_up_events(run.out_lines(), 2000.0);
        EXPECT_EQ(csv_rows(rows), expected) << view;
        EXPECT_EQ(expected.begin()->first, 7 * 60 + 58) << view;
        // Every minute from the first to the last has its row.
        EXPECT_EQ(rows.size() - 1,
                  static_cast<size_t>(expected.rbegin()->first - expected.begin()->first + 1));
    }
}

TEST_F(ReplayMinutesTest, ASmallRecordingGivesTheseRows) {
    test::StepRecording r(1000.0);
    r.add_lines(kCameraARecord, 61000, 4);   // 00:01
    r.add_lines(kCameraBRecord, 61100, 4);   // alike and 100 lines later: a pair
    r.add_lines(kCameraARecord, 185000, 3);  // 00:03, no B partner: dropped
    r.add_lines(kCameraBRecord, 185600, 5);
    r.add_lines(kCameraARecord, 186000, 2);  // decides the drop, then waits to the end
    r.finish();
    const std::string csv = dir.file("out.csv");
    const auto run = replay({"--minutes", csv, write(r, "small")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Strings expected = {kHeader, "00:01,1,1,4,4,1,1,1,0,0,0", "00:02,0,0,0,0,0,0,0,0,0,0",
                              "00:03,2,1,5,5,2,1,0,0,1,0"};
    EXPECT_EQ(read_lines(csv), expected);
}

TEST_F(ReplayMinutesTest, OneDamagedFileAmongSeveralIsNamedAndTheOthersFinish) {
    const std::string good1 = rain("good1", 1, 20);
    const std::string good2 = rain("good2", 2, 20);
    const std::string bad = dir.file("bad.ab");
    test::write_text_file(bad, "not a recording");
    test::write_file(dir.file("bad.abh"), test::read_file(dir.file("good1.abh")));
    const std::string csv = dir.file("all.csv");
    const auto run = replay({"--jobs", "2", "--minutes", csv, good1, bad, good2});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind(bad + ": ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find("good"), std::string::npos) << run.err;
    // Both good files' summaries, in the order named.
    const size_t first = run.out.find("korvel-replay: " + good1 + "\n");
    const size_t second = run.out.find("korvel-replay: " + good2 + "\n");
    ASSERT_NE(first, std::string::npos) << run.out;
    ASSERT_NE(second, std::string::npos) << run.out;
    EXPECT_LT(first, second);
    EXPECT_EQ(run.out.find("bad.ab"), std::string::npos);

    const Strings rows = read_lines(csv);
    ASSERT_GT(rows.size(), 2u);
    EXPECT_EQ(rows[0], std::string("file,") + kHeader);
    EXPECT_EQ(rows[1].rfind(good1 + ",07:58,", 0), 0u) << rows[1];
    EXPECT_EQ(rows.back().rfind(good2 + ",07:58,", 0), 0u) << rows.back();
}

TEST_F(ReplayMinutesTest, OneJobAndTwoJobsPrintTheSameEvents) {
    Strings files;
    for (int seed : {3, 4, 6}) files.push_back(rain("r" + std::to_string(seed), seed, 15));
    Strings one = {"--events", "--jobs", "1"};
    Strings two = {"--events", "--jobs", "2"};
    one.insert(one.end(), files.begin(), files.end());
    two.insert(two.end(), files.begin(), files.end());
    const auto a = replay(one);
    const auto b = replay(two);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(a.out, b.out);
    // And each file's stream is the one it gives alone, on one thread.
    std::string alone;
    for (const std::string& f : files) alone += replay({"--events", "--threads", "1", f}).out;
    EXPECT_EQ(a.out, alone);
}

// Width and height from a PNG's IHDR chunk, which follows the 8-byte signature.
std::pair<uint32_t, uint32_t> png_size(const std::vector<uint8_t>& png) {
    auto be32 = [&](size_t at) {
        return uint32_t{png[at]} << 24 | uint32_t{png[at + 1]} << 16 | uint32_t{png[at + 2]} << 8 |
               uint32_t{png[at + 3]};
    };
    if (png.size() < 24 || png[1] != 'P' || png[2] != 'N' || png[3] != 'G') return {0, 0};
    return {be32(16), be32(20)};
}

TEST_F(ReplayMinutesTest, TheOverviewPictureIsWrittenAtTheSizeAsked) {
    const std::string ab = rain("rain", 7, 30);
    const std::string png = dir.file("day.png");
    const auto run = replay({"--overview", png, "--size", "640x200", ab});
    if (run.status != 0) {
        // A build without Qt has no painter; it says so and fails.
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("--overview needs the build with Qt"), std::string::npos) << run.err;
        return;
    }
    EXPECT_EQ(png_size(test::read_file(png)), std::make_pair(640u, 200u));
    // The summary is printed as without the picture.
    EXPECT_EQ(run.out.rfind("korvel-replay: " + ab + "\n", 0), 0u) << run.out;

    const auto no_dir = replay({"--overview", dir.file("missing/day.png"), ab});
    EXPECT_EQ(no_dir.status, 2);
    EXPECT_NE(no_dir.err.find("cannot write " + dir.file("missing/day.png")), std::string::npos)
        << no_dir.err;
}

TEST_F(ReplayMinutesTest, BadUsageOfTheNewOptions) {
    const struct {
        Strings args;
        const char* message;
    } cases[] = {
        {{"--jobs", "0", "x.ab"}, "--jobs takes a whole number from 1 to 1024"},
        {{"--jobs", "two", "x.ab"}, "--jobs takes a whole number from 1 to 1024"},
        {{"--threads", "3", "x.ab"}, "--threads takes 1 or 2"},
        {{"--size", "100", "x.ab"}, "--size takes WIDTHxHEIGHT"},
        {{"--size", "0x400", "x.ab"}, "--size takes WIDTHxHEIGHT"},
        {{"--size", "640x200", "x.ab"}, "--size goes with --snapshot or --overview"},
        {{"--overview", "o.png", "--snapshot", "s.png", "x.ab"}, "ask for one of them"},
        {{"--minutes", "", "x.ab"}, "--minutes needs a file name"},
        {{"--overview", "o.png", "x.ab", "y.ab"}, "--overview draws one recording"},
        {{"--follow", "--follow-idle", "0x10", "x.ab"}, "--follow-idle takes seconds above 0"},
        // Without a view nothing is matched or drawn: outputs of that are refused.
        {{"--view", "none", "--pairs", "p.csv", "x.ab"}, "--pairs needs the particles"},
        {{"--view", "none", "--minutes", "m.csv", "x.ab"}, "--minutes needs the particles"},
        {{"--view", "none", "--overview", "o.png", "x.ab"}, "--overview needs the particles"},
        {{"--snapshot", "s.png", "--view", "none", "x.ab"}, "--snapshot needs the particles"},
    };
    for (const auto& c : cases) {
        const auto run = test::run_program(kReplay, c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace korvel
