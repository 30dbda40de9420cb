// korvel-replay --pairs: every matching decision as a CSV row, checked against the decisions
// the event stream of the same replay reports.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "format/raw_record.h"
#include "pair_rows.h"
#include "support/json_fields.h"
#include "support/replay_runner.h"
#include "support/step_recording.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

using Strings = std::vector<std::string>;

const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";
const std::string kAbgen = std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen";

const std::string kHeader =
    "time,outcome,a_y_first,a_y_last,a_line_count,a_max_width,a_x_min,a_x_max,"
    "b_y_first,b_y_last,b_line_count,b_max_width,b_x_min,b_x_max,lag_lines,lag_ms";

Strings split(const std::string& text, char at) {
    Strings parts;
    std::istringstream in(text + at);
    for (std::string part; std::getline(in, part, at);) parts.push_back(part);
    return parts;
}

std::string unquote(const std::string& s) {
    return s.size() >= 2 && s.front() == '"' ? s.substr(1, s.size() - 2) : s;
}

// The rows --pairs should hold for one file's events (from its open event on), built from the
// match events alone: the particles' fields as the stream prints them, time and lag computed.
Strings rows_from_events(const Strings& events, const std::string& file_column) {
    Strings rows;
    double rate = 0.0;
    for (const std::string& line : events) {
        const auto f = test::parse_json_object(line);
        EXPECT_TRUE(f) << "not a JSON object: " << line;
        if (!f) continue;
        const std::string ev = unquote(test::json_value(*f, "ev"));
        if (ev == "open") rate = std::stod(test::json_value(*f, "line_rate"));
        if (ev != "match") continue;
        std::string row = file_column.empty() ? "" : file_column + ",";
        std::string particles;
        double first[2] = {NAN, NAN};
        for (int side = 0; side < 2; ++side) {
            const auto p = test::parse_json_object(test::json_value(*f, side == 0 ? "a" : "b"));
            for (const char* key : {"y_first", "y_last", "line_count", "max_width", "x_min", "x_max"})
                particles += "," + (p ? test::json_value(*p, key) : "");
            if (p) first[side] = std::stod(test::json_value(*p, "y_first"));
        }
        const auto ms = static_cast<long long>(
            std::floor((std::isnan(first[0]) ? first[1] : first[0]) / rate * 1000.0));
        char text[96];
        std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld,", ms / 3600000,
                      ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        row += text + unquote(test::json_value(*f, "outcome")) + particles + ",";
        const double lag = first[1] - first[0];
        std::snprintf(text, sizeof text, "%.17g,%.17g", lag, lag * 1000.0 / rate);
        rows.push_back(row + (std::isnan(lag) ? "," : text));
    }
    return rows;
}

// Fields compare as text, or as numbers where both are numbers: the replay writes the shortest
// form that reads back the same double, the test 17 digits.
void expect_same_rows(const Strings& got, const Strings& want, const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); ++i) {
        const Strings g = split(got[i], ','), w = split(want[i], ',');
        bool same = g.size() == w.size();
        for (size_t k = 0; same && k < g.size(); ++k) {
            char *end_g = nullptr, *end_w = nullptr;
            const double x = std::strtod(g[k].c_str(), &end_g), y = std::strtod(w[k].c_str(), &end_w);
            same = g[k] == w[k] || (!g[k].empty() && *end_g == '\0' && *end_w == '\0' && x == y);
        }
        EXPECT_TRUE(same) << what << " row " << i << "\n got  " << got[i] << "\n want " << want[i];
    }
}

class ReplayPairsTest : public ::testing::Test {
  protected:
    test::ProgramRun replay(Strings args) {
        args.insert(args.begin(), {"--corrections-dir", dir.path()});
        return test::run_program(kReplay, args, std::chrono::seconds(120));
    }
    std::string rain(const std::string& name, Strings args) {
        const std::string ab = dir.file(name + ".ab");
        args.insert(args.end(), {"-o", ab});
        const auto run = test::run_program(kAbgen, args);
        EXPECT_EQ(run.status, 0) << run.err;
        return ab;
    }
    Strings csv_rows(const std::string& path, const std::string& header) {
        const auto bytes = test::read_file(path);
        Strings lines = split(std::string(bytes.begin(), bytes.end()), '\n');
        if (!lines.empty() && lines.back().empty()) lines.pop_back();
        EXPECT_FALSE(lines.empty() || lines[0] != header) << path;
        if (!lines.empty()) lines.erase(lines.begin());
        return lines;
    }
    test::TempDir dir;
};

// Several files (the last case) name their file first, in the order named.
TEST_F(ReplayPairsTest, EveryDecisionOfTheEventStreamIsARowInOrder) {
    const std::string heavy =
        rain("heavy", {"--seed", "11", "--line-rate", "2000", "--start", "07:58:30",
                       "--duration", "100", "--drops-per-second", "120"});
    const std::string v0 = rain("v0", {"--seed", "12", "--version", "0", "--line-rate", "1000",
                                       "--start", "23:59:10", "--duration", "40"});
    const std::string wide = rain("wide", {"--seed", "13", "--width", "600", "--line-rate",
                                           "3000", "--start", "12:00:00", "--duration", "60"});
    Strings several;
    for (const char* seed : {"21", "22", "23"})
        several.push_back(rain(std::string("r") + seed, {"--seed", seed, "--duration", "20"}));
    const struct {
        Strings files;
        Strings options;
    } cases[] = {
        {{heavy}, {"--view", "async"}},
        {{heavy}, {"--view", "sync"}},
        {{heavy}, {"--view", "sync", "--start", "07:59:00"}},
        {{v0}, {"--view", "async"}},
        {{wide}, {"--view", "sync"}},
        {several, {"--jobs", "2"}},
    };
    for (const auto& c : cases) {
        std::string what = c.files[0];
        for (const std::string& option : c.options) what += " " + option;
        const std::string csv = dir.file("pairs.csv");
        Strings args = c.options;
        args.insert(args.end(), {"--events", "--pairs", csv});
        args.insert(args.end(), c.files.begin(), c.files.end());
        const auto run = replay(args);
        ASSERT_EQ(run.status, 0) << run.err;
        // Each file's events begin with its open event; its rows carry its name if there are
        // several.
        std::vector<Strings> streams;
        for (const std::string& event : run.out_lines()) {
            if (event.rfind("{\"ev\":\"open\"", 0) == 0) streams.emplace_back();
            if (!streams.empty()) streams.back().push_back(event);
        }
        ASSERT_EQ(streams.size(), c.files.size()) << what;
        const bool named = c.files.size() > 1;
        Strings expected;
        for (size_t i = 0; i < streams.size(); ++i) {
            for (const auto& row : rows_from_events(streams[i], named ? c.files[i] : ""))
                expected.push_back(row);
        }
        EXPECT_GT(expected.size(), 20u) << what;
        expect_same_rows(csv_rows(csv, named ? "file," + kHeader : kHeader), expected, what);
    }
}

TEST_F(ReplayPairsTest, ASmallRecordingGivesTheseRows) {
    test::StepRecording r(1000.0);
    r.add_lines(kCameraARecord, 61000, 4);   // 00:01:01.000
    r.add_lines(kCameraBRecord, 61100, 4);   // alike, 100 lines (100 ms) later: a pair
    r.add_lines(kCameraARecord, 185001, 3);  // 00:03:05.001; B 600 lines later: dropped
    r.add_lines(kCameraBRecord, 185601, 5);
    r.add_lines(kCameraARecord, 186001, 2);  // decides the drop; it and B wait to the end
    r.finish();
    const std::string ab = dir.file("small.ab");
    test::write_file(ab, r.ab());
    test::write_file(dir.file("small.abh"), r.abh());
    const auto run = replay({"--pairs", dir.file("out.csv"), ab});
    ASSERT_EQ(run.status, 0) << run.err;
    const Strings expected = {
        "00:01:01.000,pair,61000,61003,4,10,100,110,61100,61103,4,10,100,110,100,100",
        "00:03:05.001,drop_a,185001,185003,3,10,100,110,,,,,,,,",
    };
    EXPECT_EQ(csv_rows(dir.file("out.csv"), kHeader), expected);
}

TEST(PairRowsTime, ALineAsATimeOfDay) {
    const struct {
        double y, rate;
        const char* text;
    } cases[] = {
        {61000, 1000, "00:01:01.000"},
        {2, 3, "00:00:00.666"},            // cut, not rounded
        {90000000, 1000, "25:00:00.000"},  // hours go on past 23
        {-1, 1000, "-00:00:00.001"},       // before midnight
        {std::nan(""), 1000, ""},          // a damaged recording's line number
        {1e300, 1000, ""},                 // beyond any calendar
        {-std::numeric_limits<double>::infinity(), 1000, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(replay::time_of_day_ms(c.y, c.rate), c.text) << c.y;
}

}  // namespace
}  // namespace korvel
