// Runs the built korvel-replay program on recordings written to a directory of their own and
// reads its event stream, summary, stderr and exit status.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "format/raw_record.h"
#include "format/recording_writer.h"
#include "io/file_sink.h"
#include "support/json_fields.h"
#include "support/line_builders.h"
#include "support/replay_runner.h"
#include "support/step_recording.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

using test::FourRecords;
using test::MatchRecording;

using Strings = std::vector<std::string>;

const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";

const Strings kParticleKeys = {"y_first", "y_last", "line_count", "max_width", "x_min", "x_max"};

// The keys of each event kind, in the order the stream documents them.
Strings keys_of(const std::string& kind) {
    if (kind == "open")
        return {"ev",   "file",          "header_version", "line_rate", "line_width", "start_time",
                "date", "start_seconds", "start_line",     "minute",    "pos_a",      "pos_b"};
    if (kind == "record")
        return {"ev", "step", "cam", "pos", "n", "y_first", "y_last", "handed_on"};
    if (kind == "wait") return {"ev", "step", "cam", "p"};
    if (kind == "match") return {"ev", "step", "outcome", "a", "b"};
    if (kind == "end")
        return {"ev",        "steps",    "pos_a", "pos_b", "total_lines_a", "total_lines_b",
                "waiting_a", "waiting_b"};
    // A fatal event after the open event; the file's first event names the file.
    if (kind == "fatal") return {"ev", "text"};
    if (kind == "first fatal") return {"ev", "file", "text"};
    return {};
}

class ReplayTest : public ::testing::Test {
  protected:
    // Writes r as NAME.ab with an index that starts both readers at the given records.
    std::string write(const test::StepRecording& r, uint32_t pos_a, uint32_t pos_b,
                      const std::string& name = "0607") {
        const std::string ab = dir.file(name + ".ab");
        test::write_file(ab, r.ab());
        test::write_file(dir.file(name + ".abh"), test::index_at(pos_a, pos_b));
        return ab;
    }

    // Runs korvel-replay with its corrections looked for in the test's directory unless the
    // arguments name another.
    test::ProgramRun replay(Strings args) {
        const bool has_dir = std::find(args.begin(), args.end(), "--corrections-dir") != args.end();
        if (!has_dir) args.insert(args.begin(), {"--corrections-dir", dir.path()});
        return test::run_program(kReplay, args);
    }

    test::TempDir dir;
};

std::string event_kind(const test::JsonFields& f) {
    const std::string ev = test::json_value(f, "ev");
    return ev.size() >= 2 ? ev.substr(1, ev.size() - 2) : ev;
}

// The events of one kind, each parsed; a line that is not one JSON object fails the test.
std::vector<test::JsonFields> events(const test::ProgramRun& run, const std::string& kind = "") {
    std::vector<test::JsonFields> out;
    for (const std::string& line : run.out_lines()) {
        const auto f = test::parse_json_object(line);
        if (!f) {
            ADD_FAILURE() << "not a JSON object: " << line;
            continue;
        }
        if (kind.empty() || event_kind(*f) == kind) out.push_back(*f);
    }
    return out;
}

std::string record_line(int step, char cam, uint32_t pos, int first) {
    return "{\"ev\":\"record\",\"step\":" + std::to_string(step) + ",\"cam\":\"" + cam +
           "\",\"pos\":" + std::to_string(pos) + ",\"n\":4,\"y_first\":" + std::to_string(first) +
           ",\"y_last\":" + std::to_string(first + 3) + ",\"handed_on\":true}";
}

std::string wait_line(int step, char cam, int first) {
    return "{\"ev\":\"wait\",\"step\":" + std::to_string(step) + ",\"cam\":\"" + cam +
           "\",\"p\":{\"y_first\":" + std::to_string(first) +
           ",\"y_last\":" + std::to_string(first + 3) +
           ",\"line_count\":4,\"max_width\":10,\"x_min\":100,\"x_max\":110}}";
}

TEST_F(ReplayTest, FourRecordsPlayInTwoTicksAsTheEventStreamShows) {
    FourRecords f;
    const std::string ab = write(f.r, f.a1, f.a1);
    const test::ProgramRun run = replay({"--events", ab});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string L = std::to_string(f.r.length());
    const Strings expected = {
        "{\"ev\":\"open\",\"file\":\"" + ab + "\",\"header_version\":2,\"line_rate\":1000,\"line_width\":512,"
        "\"start_time\":1149638400,\"date\":\"2006/06/07\",\"start_seconds\":0,"
        "\"start_line\":0,\"minute\":0,\"pos_a\":" +
            std::to_string(f.a1) + ",\"pos_b\":" + std::to_string(f.a1) + "}",
        // Tick 1: A1 handed on; B passes over A1, hands on B1, whose last line is beyond
        // A1's, and stops.
        record_line(1, 'A', f.a1, 1000),
        wait_line(1, 'A', 1000),
        record_line(1, 'B', f.b1, 1100),
        wait_line(1, 'B', 1100),
        // Tick 2: A passes over B1 to A2; B passes over A2 to B2.
        record_line(2, 'A', f.a2, 1200),
        wait_line(2, 'A', 1200),
        record_line(2, 'B', f.b2, 1300),
        wait_line(2, 'B', 1300),
        // Tick 3 finds camera A at B2 and reads to the end: nothing more to hand on.
        "{\"ev\":\"end\",\"steps\":3,\"pos_a\":" + L + ",\"pos_b\":" + L +
            ",\"total_lines_a\":8,\"total_lines_b\":8,\"waiting_a\":2,\"waiting_b\":2}",
    };
    EXPECT_EQ(run.out_lines(), expected);
}

TEST_F(ReplayTest, TheStartTimeSetsTheStartLineBelowWhichBIsNotHandedOn) {
    FourRecords f;
    const test::ProgramRun run =
        replay({"--events", "--start", "00:00:01", write(f.r, f.a1, f.a1)});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto open = events(run, "open");
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(test::json_value(open[0], "start_seconds"), "1");
    EXPECT_EQ(test::json_value(open[0], "start_line"), "1000");
    EXPECT_EQ(test::json_value(open[0], "minute"), "0");
    // A1 ends at 1003 and B1 at 1103, beyond the start line; at 00:00:02 neither camera is.
    Strings handed;
    for (const auto& e : events(run, "record"))
        handed.push_back(test::json_value(e, "cam") + test::json_value(e, "handed_on"));
    EXPECT_EQ(handed, (Strings{"\"A\"true", "\"B\"true", "\"A\"true", "\"B\"true"}));

    const test::ProgramRun late =
        replay({"--events", "--start", "00:00:02", write(f.r, f.a1, f.a1)});
    ASSERT_EQ(late.status, 0) << late.err;
    handed.clear();
    for (const auto& e : events(late, "record"))
        handed.push_back(test::json_value(e, "cam") + test::json_value(e, "handed_on"));
    EXPECT_EQ(handed, (Strings{"\"A\"false", "\"B\"false", "\"A\"false", "\"B\"false"}));
    const auto end = events(late, "end");
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(test::json_value(end[0], "total_lines_a"), "0");
    EXPECT_EQ(test::json_value(end[0], "total_lines_b"), "0");
}

TEST_F(ReplayTest, EveryEventKindHasItsKeysInTheDocumentedOrder) {
    MatchRecording m;
    const test::ProgramRun run = replay({"--events", write(m.r, m.a1, m.b0)});
    ASSERT_EQ(run.status, 0) << run.err;
    std::set<std::string> seen;
    for (const test::JsonFields& f : events(run)) {
        const std::string kind = event_kind(f);
        seen.insert(kind);
        EXPECT_EQ(test::json_keys(f), keys_of(kind)) << kind;
        for (const char* member : {"p", "a", "b"}) {
            const auto it = std::find_if(f.begin(), f.end(),
                                         [&](const auto& kv) { return kv.first == member; });
            if (it == f.end() || it->second == "null") continue;
            const auto particle = test::parse_json_object(it->second);
            ASSERT_TRUE(particle) << it->second;
            EXPECT_EQ(test::json_keys(*particle), kParticleKeys);
        }
    }
    EXPECT_EQ(seen, (std::set<std::string>{"open", "record", "wait", "match", "end"}));

    const auto matches = events(run, "match");
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_EQ(test::json_value(matches[0], "outcome"), "\"drop_b\"");
    EXPECT_EQ(test::json_value(matches[0], "a"), "null");
    EXPECT_EQ(test::json_value(matches[1], "outcome"), "\"pair\"");
    EXPECT_EQ(test::json_value(matches[1], "step"), "2");

    const test::ProgramRun fatal = replay({"--events", dir.file("missing.ab")});
    EXPECT_EQ(fatal.status, 1);
    const auto lines = events(fatal);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(test::json_keys(lines[0]), keys_of("first fatal"));
}

// In the one stream of several files, each file's first event, its open event or the fatal
// event of a file that could not be opened, names the file; no later event does.
TEST_F(ReplayTest, EachFilesFirstEventNamesTheFile) {
    MatchRecording m;
    const std::string good = write(m.r, m.a1, m.b0);
    const std::string missing = dir.file("missing.ab");
    const std::string odd = dir.file("lat\\u00e9in\xe9.ab");  // a backslash and a stray byte
    const test::ProgramRun run = replay({"--events", good, missing, good, odd});
    EXPECT_EQ(run.status, 1);
    Strings named;
    for (const test::JsonFields& f : events(run))
        for (const auto& [key, value] : f)
            if (key == "file") named.push_back(event_kind(f) + " " + value);
    const std::string g = "\"" + good + "\"";
    EXPECT_EQ(named, (Strings{"open " + g, "fatal \"" + missing + "\"", "open " + g,
                              "fatal \"" + dir.file("lat\\\\u00e9in\\u00e9.ab") + "\""}))
        << run.out;
}

// The rest of line after prefix, or "" with a test failure when the line starts otherwise.
std::string after_prefix(const std::string& line, const std::string& prefix) {
    if (line.rfind(prefix, 0) != 0) {
        ADD_FAILURE() << "'" << line << "' does not start with '" << prefix << "'";
        return "";
    }
    return line.substr(prefix.size());
}

// Digits, a point and exactly `decimals` digits, as %.Nf prints a non-negative number.
bool is_fixed_point(const std::string& text, size_t decimals) {
    const size_t point = text.find('.');
    if (point == std::string::npos || point == 0 || text.size() - point - 1 != decimals)
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (i != point && (text[i] < '0' || text[i] > '9')) return false;
    return true;
}

TEST_F(ReplayTest, WithoutEventsASummaryIsPrinted) {
    MatchRecording m;
    const std::string ab = write(m.r, m.a1, m.b0);
    const test::ProgramRun run = replay({ab});
    ASSERT_EQ(run.status, 0) << run.err;
    const Strings lines = run.out_lines();
    ASSERT_EQ(lines.size(), 9u) << run.out;
    EXPECT_EQ(lines[0], "korvel-replay: " + ab);
    EXPECT_EQ(lines[1], "  steps      3");
    EXPECT_EQ(lines[2], "  records    A 2  B 3  (handed on 5)");
    EXPECT_EQ(lines[3], "  lines      A 8  B 12  (handed on)");
    EXPECT_EQ(lines[4], "  particles  5 waited; 1 pairs, 0 rejected tests");
    EXPECT_EQ(lines[5], "  drops      A 0  B 1  (still waiting A 1  B 1)");
    EXPECT_EQ(lines[6], "  bytes      " + std::to_string(m.r.length()));
    EXPECT_TRUE(is_fixed_point(after_prefix(lines[7], "  seconds    "), 3)) << lines[7];
    const std::string speed = after_prefix(lines[8], "  speed      ");
    EXPECT_TRUE(speed.size() > 5 && speed.ends_with(" MB/s") &&
                is_fixed_point(speed.substr(0, speed.size() - 5), 1))
        << lines[8];
}

TEST_F(ReplayTest, MaxStepsStopsEarlyWithTheEndEventWhereTheReadersStand) {
    FourRecords f;
    const std::string ab = write(f.r, f.a1, f.a1);
    test::ProgramRun run = replay({"--events", "--max-steps", "1", ab});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const auto& e : events(run, "record")) EXPECT_EQ(test::json_value(e, "step"), "1");
    auto end = events(run, "end");
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(test::json_value(end[0], "steps"), "1");
    EXPECT_EQ(test::json_value(end[0], "pos_a"), std::to_string(f.b1));
    EXPECT_EQ(test::json_value(end[0], "pos_b"), std::to_string(f.a2));

    run = replay({"--events", "--max-steps", "0", ab});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(events(run, "record").empty());
    end = events(run, "end");
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(test::json_value(end[0], "pos_a"), std::to_string(f.a1));
}

// Each fatal error ends the replay with status 1, its text alone on stderr and, with events
// on, a fatal event as the last line.
TEST_F(ReplayTest, FatalErrorsExit1WithTheViewersText) {
    struct Case {
        const char* name;
        std::string ab;
        Strings extra;
        std::string text;
    };
    std::vector<Case> cases;

    FourRecords f;
    {
        std::vector<uint8_t> cut = f.r.ab();
        cut.pop_back();
        test::write_file(dir.file("cut.ab"), cut);
        test::write_file(dir.file("cut.abh"), test::index_at(f.a1, f.a1));
        cases.push_back({"cut", dir.file("cut.ab"), {}, "mp04"});
    }
    test::write_file(dir.file("noindex.ab"), f.r.ab());
    cases.push_back({"no index",
                     dir.file("noindex.ab"),
                     {},
                     dir.file("noindex.abh") + " wurde nicht gefunden."});

    const std::string ab = write(f.r, f.a1, f.a1);
    test::TempDir corrections;
    test::write_text_file(corrections.file("CORRFACT.DAT"), "title\nline 2\nline 3\nline 4\n");
    cases.push_back(
        {"short CORRFACT.DAT", ab, {"--corrections-dir", corrections.path()}, "tables05"});

    {
        // B's second particle starts before its first, which still waits for matching.
        test::StepRecording r;
        const uint32_t a1 = r.add_lines(kCameraARecord, 9000, 4);
        r.add_lines(kCameraBRecord, 5000, 4);
        r.add_lines(kCameraBRecord, 4000, 4);
        r.finish();
        cases.push_back(
            {"wait queue", write(r, a1, a1, "waitq"), {}, " Wait-queue W -> Chronology - Error "});
    }
    {
        // The same backward step with a single line, which makes no particle: only the line
        // order check sees it.
        test::StepRecording r;
        const uint32_t a1 = r.add_lines(kCameraARecord, 9000, 4);
        r.add_lines(kCameraBRecord, 5000, 4);
        r.add_lines(kCameraBRecord, 4000, 1);
        r.finish();
        cases.push_back({"time jump", write(r, a1, a1, "jump"), {}, "neg. time jump in B"});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Strings args = c.extra;
        args.push_back("--events");
        args.push_back(c.ab);
        const test::ProgramRun run = replay(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.text + "\n");
        const auto all = events(run);
        ASSERT_FALSE(all.empty());
        EXPECT_EQ(event_kind(all.back()), "fatal");
        EXPECT_EQ(test::json_value(all.back(), "text"), "\"" + c.text + "\"");
        EXPECT_TRUE(events(run, "end").empty());

        Strings quiet = c.extra;
        quiet.push_back(c.ab);
        const test::ProgramRun summary_run = replay(quiet);
        EXPECT_EQ(summary_run.status, 1);
        EXPECT_EQ(summary_run.err, c.text + "\n");
    }
}

TEST_F(ReplayTest, BadUsageExits2) {
    FourRecords f;
    const std::string ab = write(f.r, f.a1, f.a1);
    const std::vector<Strings> bad = {
        {"--bogus", ab},
        {"--start", "24:00", ab},
        {"--start", "7", ab},
        {"--start", "12:60", ab},
        {"--start", "-1:00", ab},
        {"--start", ab},
        {"--view", "both", ab},
        {"--max-steps", "-1", ab},
        {"--max-steps", "x", ab},
        {"--max-steps", "+5", ab},  // one rule for every number: digits alone
        {"--max-steps", " 5", ab},
        {"--jobs", " 3", ab, ab},
        {"--jobs", "+3", ab, ab},
        {},
        {"--jobs", "0", ab, ab},  // several files are fine, but not without a job to run them
        {"--corrections-dir", dir.file("no_such_dir"), ab},  // names nothing
        {"--corrections-dir", ab, ab},                       // a file, not a directory
        {"--"},                                              // no file after the options end
        {"--follow", "--follow-idle", "1e1", ab},
        {"--max-steps", "99999999999999999999", ab},  // beyond 64 bits
    };
    for (const Strings& args : bad) {
        std::string shown;
        for (const auto& a : args) shown += a + " ";
        const test::ProgramRun run = test::run_program(kReplay, args);
        EXPECT_EQ(run.status, 2) << shown;
        EXPECT_EQ(run.out, "") << shown;
        EXPECT_NE(run.err.find("usage: korvel-replay"), std::string::npos) << shown;
    }
}

// A shower of drops, one particle per record, written through file sinks with the writer's
// own index: most drops seen by both cameras, some too unlike to pair, some seen by one
// camera only, so that matching takes every kind of decision.
std::string write_shower(const test::TempDir& dir) {
    const std::string ab = dir.file("shower.ab");
    FileSink data(ab, FileSink::Existing::overwrite);
    FileSink index(index_file_path(ab), FileSink::Existing::overwrite);
    RecordingHeader header;
    header.line_rate = 1000.0;
    header.start_time = 1149638400;
    RecordingWriter writer(data, index, header);
    auto drop = [&](int16_t type, double y, int height, int x, int width) {
        std::vector<LineEntry> lines;
        for (int i = 0; i < height; ++i) lines.push_back(test::make_line(y + i, {{x, x + width}}));
        writer.add_camera_lines(type, lines);
    };
    for (int k = 0; k < 60; ++k) {
        const double y = 1000.0 + 100.0 * k;
        const int height = 4 + k % 9;
        const int width = 6 + k % 11;
        const int x = 20 + (k * 37) % 400;
        if (k % 7 != 3) drop(kCameraARecord, y, height, x, width);
        if (k % 5 == 2) drop(kCameraBRecord, y - 30, 5, x, 8);  // B alone, earlier than A
        const int b_width = k % 4 == 1 ? 3 * width : width;     // too wide to pair
        if (k % 6 != 4) drop(kCameraBRecord, y + 40, height + k % 3, x + 2, b_width);
    }
    writer.finish();
    return ab;
}

// Matching runs in every view: the async and sync replays decide alike. Without a view
// nothing is assembled, so the same records are read and decoded and nothing is decided.
TEST_F(ReplayTest, TheViewChangesNoDecisionAndNoReadPosition) {
    const std::string ab = write_shower(dir);
    auto project = [](const std::vector<test::JsonFields>& evs, Strings keys) {
        Strings out;
        for (const auto& e : evs) {
            std::string s;
            for (const auto& k : keys) s += test::json_value(e, k) + " ";
            out.push_back(s);
        }
        return out;
    };
    const Strings record_keys = {"step", "cam", "pos", "n", "y_first", "y_last"};
    std::vector<test::ProgramRun> runs;
    for (const char* view : {"async", "sync", "none"})
        runs.push_back(replay({"--events", "--view", view, ab}));
    for (const auto& run : runs) ASSERT_EQ(run.status, 0) << run.err;

    const Strings decisions = project(events(runs[0], "match"), {"step", "outcome", "a", "b"});
    std::set<std::string> outcomes;
    for (const auto& e : events(runs[0], "match")) outcomes.insert(test::json_value(e, "outcome"));
    EXPECT_EQ(outcomes,
              (std::set<std::string>{"\"pair\"", "\"reject\"", "\"drop_a\"", "\"drop_b\""}));
    EXPECT_EQ(decisions, project(events(runs[1], "match"), {"step", "outcome", "a", "b"}));
    EXPECT_EQ(runs[0].out, runs[1].out);  // the whole stream, not just the decisions

    EXPECT_TRUE(events(runs[2], "match").empty());
    EXPECT_TRUE(events(runs[2], "wait").empty());
    EXPECT_EQ(project(events(runs[0], "record"), record_keys),
              project(events(runs[2], "record"), record_keys));
    for (const auto& e : events(runs[2], "record"))
        EXPECT_EQ(test::json_value(e, "handed_on"), "false");
    EXPECT_EQ(project(events(runs[0], "end"), {"steps", "pos_a", "pos_b"}),
              project(events(runs[2], "end"), {"steps", "pos_a", "pos_b"}));
    EXPECT_EQ(project(events(runs[2], "end"), {"total_lines_a", "total_lines_b"}), Strings{"0 0 "});
}

TEST_F(ReplayTest, TheInputFilesAreLeftAsTheyWere) {
    const std::string ab = write_shower(dir);
    test::write_text_file(dir.file("CORRFACT.DAT"),
                          "title\nline 2\ngrid\nheading\nrow 1\nrow 2\nrow 3\nrow 4\n");
    auto snapshot = [&] {
        std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            files.emplace_back(entry.path().string(), test::read_file(entry.path().string()));
        std::sort(files.begin(), files.end());
        return files;
    };
    const auto before = snapshot();
    ASSERT_EQ(before.size(), 3u);
    EXPECT_EQ(replay({"--events", ab}).status, 0);
    EXPECT_EQ(replay({"--view", "sync", ab}).status, 0);
    EXPECT_TRUE(snapshot() == before);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// The summary counts the bytes the readers read: with every index entry beyond the end of
// the file only the header was read, and a replay of the whole file reads all of it.
TEST_F(ReplayTest, TheSummaryCountsTheBytesActuallyRead) {
    MatchRecording m;
    const std::string beyond = write(m.r, 0xFFFFFF00u, 0xFFFFFF00u, "beyond");
    const test::ProgramRun run = replay({beyond});
    ASSERT_EQ(run.status, 0) << run.err;
    const Strings lines = run.out_lines();
    ASSERT_GE(lines.size(), 7u) << run.out;
    EXPECT_EQ(lines[6], "  bytes      60");  // the version-2 header record alone

    const std::string whole = write(m.r, m.a1, m.b0, "whole");
    const Strings all = replay({whole}).out_lines();
    ASSERT_GE(all.size(), 7u);
    EXPECT_EQ(all[6], "  bytes      " + std::to_string(m.r.length()));
}

// "--" ends the options: a file whose name begins with a dash can be replayed.
TEST_F(ReplayTest, AfterTwoDashesEveryArgumentIsAFile) {
    FourRecords f;
    const std::string name = "-dashed";
    write(f.r, f.a1, f.a1, name);
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.path());
    const test::ProgramRun run = replay({"--events", "--", name + ".ab"});
    std::filesystem::current_path(cwd);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(events(run, "record").size(), 4u);
}

// Output that cannot be written fails the replay: events, summary and the fatal event alike.
TEST_F(ReplayTest, OutputThatCannotBeWrittenExits1) {
    MatchRecording m;
    const std::string ab = write(m.r, m.a1, m.b0);
    const std::string missing_index = dir.file("alone.ab");
    test::write_file(missing_index, m.r.ab());
    for (const Strings& args :
         {Strings{"--events", ab}, Strings{ab}, Strings{"--events", missing_index}}) {
        Strings full = {"--corrections-dir", dir.path()};
        full.insert(full.end(), args.begin(), args.end());
        const test::ProgramRun run = test::run_program_to("/dev/full", kReplay, full);
        EXPECT_EQ(run.status, 1) << args.back();
        EXPECT_NE(run.err.find("cannot write the output"), std::string::npos) << run.err;
    }
}

// A file name that is not UTF-8 still gives a fatal event that is valid JSON: the stray
// byte is written as a \u00XX escape, and the line holds nothing but ASCII.
TEST_F(ReplayTest, FileNamesThatAreNotUtf8StayValidJson) {
    const std::string name = dir.file("caf\xe9-\xff.ab");
    const test::ProgramRun run = replay({"--events", name});
    EXPECT_EQ(run.status, 1);
    const auto fatal = events(run, "fatal");
    ASSERT_EQ(fatal.size(), 1u) << run.out;
    EXPECT_NE(test::json_value(fatal[0], "text").find("caf\\u00e9-\\u00ff.ab"), std::string::npos)
        << run.out;
    for (const char c : run.out) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << run.out;
}

}  // namespace
}  // namespace korvel
