// korvel-replay --pairs: every matching decision as a CSV row, checked against the decisions
// the event stream of the same replay reports.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
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

const char* const kHeader =
    "time,outcome,a_y_first,a_y_last,a_line_count,a_max_width,a_x_min,a_x_max,"
    "b_y_first,b_y_last,b_line_count,b_max_width,b_x_min,b_x_max,lag_lines,lag_ms";

std::string unquote(const std::string& s) {
    return s.size() >= 2 && s.front() == '"' ? s.substr(1, s.size() - 2) : s;
}

// The six particle columns from an event's particle object; empty ones for null.
std::string particle_columns(const std::string& json) {
    if (json == "null") return ",,,,,";
    const auto p = test::parse_json_object(json);
    if (!p) return "not a particle: " + json;
    std::string out;
    for (const char* key : {"y_first", "y_last", "line_count", "max_width", "x_min", "x_max"}) {
        if (!out.empty()) out += ',';
        out += test::json_value(*p, key);
    }
    return out;
}

std::string clock_time(double y, double rate) {
    const auto ms = static_cast<long long>(std::floor(y / rate * 1000.0));
    char text[40];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    return text;
}

// The rows --pairs should hold for one file's event stream (starting at its open event).
Strings rows_from_events(const Strings& events, const std::string& file_column) {
    Strings rows;
    double rate = 0.0;
    for (const std::string& line : events) {
        const auto f = test::parse_json_object(line);
        if (!f) {
            ADD_FAILURE() << "not a JSON object: " << line;
            continue;
        }
        const std::string ev = unquote(test::json_value(*f, "ev"));
        if (ev == "open") rate = std::stod(test::json_value(*f, "line_rate"));
        if (ev != "match") continue;
        const std::string a = test::json_value(*f, "a");
        const std::string b = test::json_value(*f, "b");
        auto y_first = [](const std::string& p) {
            return std::stod(test::json_value(*test::parse_json_object(p), "y_first"));
        };
        std::string row = file_column.empty() ? "" : file_column + ",";
        row += clock_time(y_first(a != "null" ? a : b), rate) + ",";
        row += unquote(test::json_value(*f, "outcome")) + ",";
        row += particle_columns(a) + "," + particle_columns(b) + ",";
        if (a != "null" && b != "null") {
            const double lag = y_first(b) - y_first(a);
            std::ostringstream numbers;
            numbers.precision(17);
            numbers << lag << "," << lag * 1000.0 / rate;
            row += numbers.str();
        } else {
            row += ",";
        }
        rows.push_back(row);
    }
    return rows;
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
    Strings read_lines(const std::string& path) {
        const auto bytes = test::read_file(path);
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        Strings lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    test::TempDir dir;
};

// Numbers in the CSV are compared as numbers: the replay writes the shortest form that reads
// back the same double, the test its 17-digit form.
void expect_same_rows(const Strings& csv, const Strings& expected, const std::string& what) {
    ASSERT_EQ(csv.size(), expected.size()) << what;
    for (size_t i = 0; i < csv.size(); ++i) {
        std::istringstream got(csv[i]), want(expected[i]);
        std::string g, w;
        int column = 0;
        while (std::getline(want, w, ',')) {
            ASSERT_TRUE(static_cast<bool>(std::getline(got, g, ','))) << what << " row " << i;
            const bool number = !w.empty() && (std::isdigit(static_cast<unsigned char>(w[0])) ||
                                               w[0] == '-') && w.find(':') == std::string::npos;
            if (number && !g.empty()) {
                EXPECT_EQ(std::stod(g), std::stod(w)) << what << " row " << i << " col " << column;
            } else {
                EXPECT_EQ(g, w) << what << " row " << i << " col " << column;
            }
            ++column;
        }
        EXPECT_FALSE(std::getline(got, g, ',')) << what << " row " << i << ": more columns";
    }
}

TEST_F(ReplayPairsTest, EveryDecisionOfTheEventStreamIsARowInOrder) {
    const std::string heavy =
        rain("heavy", {"--seed", "11", "--line-rate", "2000", "--start", "07:58:30",
                       "--duration", "100", "--drops-per-second", "120"});
    const std::string v0 = rain("v0", {"--seed", "12", "--version", "0", "--line-rate", "1000",
                                       "--start", "23:59:10", "--duration", "40"});
    const std::string wide = rain("wide", {"--seed", "13", "--width", "600", "--line-rate",
                                           "3000", "--start", "12:00:00", "--duration", "60"});
    const struct {
        std::string file;
        Strings options;
    } cases[] = {
        {heavy, {"--view", "async"}},
        {heavy, {"--view", "sync"}},
        {heavy, {"--view", "sync", "--start", "07:59:00"}},
        {v0, {"--view", "async"}},
        {wide, {"--view", "sync"}},
    };
    for (const auto& c : cases) {
        std::string what = c.file;
        for (const std::string& option : c.options) what += " " + option;
        const std::string csv = dir.file("pairs.csv");
        Strings args = c.options;
        args.insert(args.end(), {"--events", "--pairs", csv, c.file});
        const auto run = replay(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const Strings rows = read_lines(csv);
        ASSERT_FALSE(rows.empty()) << what;
        EXPECT_EQ(rows[0], kHeader);
        const Strings expected = rows_from_events(run.out_lines(), "");
        EXPECT_GT(expected.size(), 20u) << what;
        expect_same_rows(Strings(rows.begin() + 1, rows.end()), expected, what);
    }
}

TEST_F(ReplayPairsTest, SeveralFilesNameTheirFileFirstInTheOrderNamed) {
    Strings files;
    for (int seed : {21, 22, 23}) {
        files.push_back(rain("r" + std::to_string(seed),
                             {"--seed", std::to_string(seed), "--duration", "20"}));
    }
    const std::string csv = dir.file("all.csv");
    Strings args = {"--events", "--jobs", "2", "--pairs", csv};
    args.insert(args.end(), files.begin(), files.end());
    const auto run = replay(args);
    ASSERT_EQ(run.status, 0) << run.err;
    // Each file's events begin with its open event.
    Strings expected;
    const Strings events = run.out_lines();
    size_t file = 0, begin = 0;
    for (size_t i = 1; i <= events.size(); ++i) {
        if (i == events.size() || events[i].rfind("{\"ev\":\"open\"", 0) == 0) {
            const Strings one(events.begin() + static_cast<long>(begin),
                              events.begin() + static_cast<long>(i));
            for (const auto& row : rows_from_events(one, files.at(file))) expected.push_back(row);
            ++file;
            begin = i;
        }
    }
    EXPECT_EQ(file, files.size());
    const Strings rows = read_lines(csv);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], std::string("file,") + kHeader);
    expect_same_rows(Strings(rows.begin() + 1, rows.end()), expected, "three files");
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
    const std::string csv = dir.file("out.csv");
    const auto run = replay({"--pairs", csv, ab});
    ASSERT_EQ(run.status, 0) << run.err;
    const Strings expected = {
        kHeader,
        "00:01:01.000,pair,61000,61003,4,10,100,110,61100,61103,4,10,100,110,100,100",
        "00:03:05.001,drop_a,185001,185003,3,10,100,110,,,,,,,,",
    };
    EXPECT_EQ(read_lines(csv), expected);
}

TEST(PairRowsTime, ALineAsATimeOfDay) {
    const struct {
        double y, rate;
        const char* text;
    } cases[] = {
        {61000, 1000, "00:01:01.000"},
        {2, 3, "00:00:00.666"},             // cut, not rounded
        {90000000, 1000, "25:00:00.000"},   // hours go on past 23
        {-1, 1000, "-00:00:00.001"},        // before midnight
        {std::nan(""), 1000, ""},           // a damaged recording's line number
        {1e300, 1000, ""},                  // beyond any calendar
        {-std::numeric_limits<double>::infinity(), 1000, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(replay::time_of_day_ms(c.y, c.rate), c.text) << c.y;
}

TEST_F(ReplayPairsTest, AnOutputThatCannotBeWrittenFails) {
    const std::string ab = rain("rain", {"--seed", "3", "--duration", "5"});
    const std::string csv = dir.file("missing/pairs.csv");
    const auto run = replay({"--pairs", csv, ab});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot write " + csv + ": No such file or directory"),
              std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace korvel
