// Replays damaged recordings with the built korvel-replay program: recordings written by
// abgen, then cut short, bit-flipped, given lying record lengths, short index files and
// unknown headers. Whatever the damage, a run must end by itself with status 0 or 1 (1 with a
// message on stderr), never by a signal or a hang, and must leave its input files as they were.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/little_endian.h"
#include "support/replay_runner.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const std::string kAbgen = std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen";
const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";
constexpr auto kTimeLimit = std::chrono::seconds(10);

// Under the sanitizers every run costs far more; a sparser sample keeps the suite short.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kStride = 9;
#else
constexpr size_t kStride = 1;
#endif

// One directory per test process: ctest runs the tests of this file in parallel processes.
fs::path work_dir() {
    static const test::TempDir dir;
    static const bool made = fs::create_directories(fs::path(dir.path()) / "no_corrections");
    (void)made;
    return dir.path();
}

Bytes read_file(const fs::path& path) {
    return test::read_file(path.string());
}

void write_file(const fs::path& path, const Bytes& bytes) {
    test::write_file(path.string(), bytes);
}

using ChildRun = test::ProgramRun;

// Runs a program with its output captured, killing it after kTimeLimit.
ChildRun run_program(const std::vector<std::string>& args) {
    return test::run_program(args[0], {args.begin() + 1, args.end()}, kTimeLimit);
}

// A small recording: three seconds of rain at 2000 lines a second, some nine kilobytes.
struct Recording {
    Bytes ab;
    Bytes abh;
};

const Recording& base_recording(int version) {
    static Recording recordings[3];
    Recording& r = recordings[version];
    if (r.ab.empty()) {
        const fs::path ab = work_dir() / ("base_v" + std::to_string(version) + ".ab");
        const ChildRun made = run_program(
            {kAbgen, "--version", std::to_string(version), "--line-rate", "2000", "--duration", "3",
             "--drops-per-second", "80", "--seed", "3", "-o", ab.string()});
        EXPECT_EQ(made.status, 0) << made.err;
        r.ab = read_file(ab);
        r.abh = read_file(fs::path(ab).replace_extension(".abh"));
    }
    return r;
}

// Byte offsets of the records, header first, as far as the lengths lead.
std::vector<size_t> record_offsets(const Bytes& ab) {
    std::vector<size_t> offsets;
    size_t pos = 0;
    while (pos + 4 <= ab.size()) {
        offsets.push_back(pos);
        pos += 4 + static_cast<size_t>(load_u16(ab.data() + pos + 2));
    }
    return offsets;
}

// Replays a damaged recording and checks every promise of the run: its events, decoded
// ahead on a second thread, and the same events again with the steps decoding alone. Returns
// the run for further checks.
ChildRun replay_damaged(const std::string& what, const Bytes& ab, const Bytes* abh,
                        const char* view = "async") {
    const fs::path path = work_dir() / "damaged.ab";
    const fs::path index = work_dir() / "damaged.abh";
    write_file(path, ab);
    fs::remove(index);
    if (abh) write_file(index, *abh);
    const std::vector<std::string> args = {kReplay, "--events", "--view", view,
                                           "--corrections-dir",
                                           (work_dir() / "no_corrections").string(), path.string()};
    const ChildRun r = run_program(args);
    std::vector<std::string> alone = args;
    alone.insert(alone.begin() + 1, {"--threads", "1"});
    const ChildRun one = run_program(alone);
    EXPECT_TRUE(one.out == r.out && one.err == r.err && one.status == r.status)
        << what << ": decoding ahead changed the events";
    EXPECT_FALSE(r.timed_out) << what << ": still running after 10 s";
    EXPECT_EQ(r.term_signal, 0) << what << ": ended by signal " << r.term_signal << "\n" << r.err;
    EXPECT_TRUE(r.status == 0 || r.status == 1) << what << ": exit status " << r.status;
    if (r.status == 1) {
        EXPECT_FALSE(r.err.empty()) << what << ": failed without a message";
    }
    EXPECT_EQ(read_file(path), ab) << what << ": the data file was changed";
    if (abh) {
        EXPECT_EQ(read_file(index), *abh) << what << ": the index file was changed";
    }
    return r;
}

bool trimmed_equals(const std::string& err, const std::string& text) {
    return err == text + "\n";
}

class DamagedRecordings : public testing::Test {
  protected:
    // A missing program fails the suite: skipped, it would show green.
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kAbgen) && fs::exists(kReplay))
            << "build the abgen and korvel-replay targets first";
    }
};

TEST_F(DamagedRecordings, UndamagedRecordingsPlayToTheEnd) {
    for (int v = 0; v <= 2; ++v) {
        const Recording& r = base_recording(v);
        ASSERT_GT(r.ab.size(), 1000u);
        for (const char* view : {"async", "sync", "none"}) {
            EXPECT_EQ(replay_damaged("intact", r.ab, &r.abh, view).status, 0);
        }
    }
}

TEST_F(DamagedRecordings, CutAtEveryByteOfTheFirstRecords) {
    const Recording& r = base_recording(2);
    const std::vector<size_t> offsets = record_offsets(r.ab);
    ASSERT_GT(offsets.size(), 6u);
    for (size_t cut = 0; cut < offsets[6]; cut += kStride) {
        const Bytes ab(r.ab.begin(), r.ab.begin() + static_cast<long>(cut));
        const ChildRun run = replay_damaged("cut at " + std::to_string(cut), ab, &r.abh);
        // A cut inside the header leaves no usable file at all.
        if (cut < offsets[1]) {
            EXPECT_EQ(run.status, 1) << "cut at " << cut;
        }
    }
}

TEST_F(DamagedRecordings, SingleBitFlipsAnywhere) {
    for (int v : {0, 2}) {
        const Recording& r = base_recording(v);
        // Spread over the whole file, every bit position of a byte in turn.
        for (size_t i = 0; i < 150; i += kStride) {
            const size_t at = (i * 7919 + 13) % r.ab.size();
            Bytes ab = r.ab;
            ab[at] ^= static_cast<uint8_t>(1u << (i % 8));
            replay_damaged("v" + std::to_string(v) + " bit " + std::to_string(i % 8) + " of byte " +
                               std::to_string(at),
                           ab, &r.abh, i % 3 == 0 ? "sync" : "async");
        }
    }
}

TEST_F(DamagedRecordings, LyingRecordLengths) {
    const Recording& r = base_recording(2);
    const std::vector<size_t> offsets = record_offsets(r.ab);
    const size_t at = offsets[3];
    struct Case {
        uint16_t cmpr_n;
        const char* error;  // the exact message, or a prefix ending in a blank, or null
    };
    const Case cases[] = {{0x0000, nullptr},
                          {0xFFFF, "cmpr_n < 0"},
                          {0x8000, "cmpr_n < 0"},
                          {0x7531, "Record at byte offset "},
                          {0x7FFF, "Record at byte offset "},
                          {0x7530, nullptr}};
    for (const Case& c : cases) {
        Bytes ab = r.ab;
        ab[at + 2] = static_cast<uint8_t>(c.cmpr_n & 0xFF);
        ab[at + 3] = static_cast<uint8_t>(c.cmpr_n >> 8);
        const std::string what = "cmpr_n " + std::to_string(static_cast<int16_t>(c.cmpr_n));
        const ChildRun run = replay_damaged(what, ab, &r.abh);
        if (c.error == nullptr) continue;
        EXPECT_EQ(run.status, 1) << what;
        const std::string text = c.error;
        if (text.back() == ' ') {
            EXPECT_EQ(run.err.rfind(text, 0), 0u) << what << ": " << run.err;
        } else {
            EXPECT_TRUE(trimmed_equals(run.err, text)) << what << ": " << run.err;
        }
    }
}

TEST_F(DamagedRecordings, ShortAndMissingIndexFiles) {
    const Recording& r = base_recording(1);
    ASSERT_EQ(r.abh.size(), 11536u);
    for (size_t size : {11535u, 5769u, 5768u, 5767u, 100u, 0u}) {
        const Bytes abh(r.abh.begin(), r.abh.begin() + static_cast<long>(size));
        const ChildRun run =
            replay_damaged("index of " + std::to_string(size) + " bytes", r.ab, &abh);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(trimmed_equals(run.err, "pixfil05")) << run.err;
    }
    Bytes longer = r.abh;
    longer.resize(12000, 0xAB);
    EXPECT_EQ(replay_damaged("index with trailing bytes", r.ab, &longer).status, 0);
    EXPECT_EQ(replay_damaged("no index file", r.ab, nullptr).status, 1);

    // Index entries that point past the end, into the header or into the middle of a record.
    for (uint32_t pos : {0u, 1u, 7u, 61u, static_cast<uint32_t>(r.ab.size()), 0xFFFFFFF0u}) {
        Bytes abh = r.abh;
        for (size_t k = 0; k + 4 <= abh.size(); k += 4) {
            for (int b = 0; b < 4; ++b)
                abh[k + static_cast<size_t>(b)] = static_cast<uint8_t>(pos >> (8 * b));
        }
        replay_damaged("every minute at " + std::to_string(pos), r.ab, &abh);
    }
}

TEST_F(DamagedRecordings, UnusableHeaders) {
    const Recording& r = base_recording(2);
    for (int16_t length : {0, 1, 37, 39, 53, 55, 57, 100, -1, -32768}) {
        Bytes ab = r.ab;
        ab[2] = static_cast<uint8_t>(length & 0xFF);
        ab[3] = static_cast<uint8_t>((length >> 8) & 0xFF);
        const ChildRun run = replay_damaged("header length " + std::to_string(length), ab, &r.abh);
        EXPECT_EQ(run.status, 1) << "header length " << length;
    }
    // Version 2: line rate 0 and -1, half width 0 and negative.
    const std::vector<std::pair<size_t, Bytes>> fields = {{4 + 6, Bytes(8, 0)},
                                                          {4 + 6, {0, 0, 0, 0, 0, 0, 0xF0, 0xBF}},
                                                          {4 + 6, {0, 0, 0, 0, 0, 0, 0xF8, 0x7F}},
                                                          {4 + 14, {0, 0}},
                                                          {4 + 14, {0x00, 0x80}}};
    for (const auto& [offset, value] : fields) {
        Bytes ab = r.ab;
        std::copy(value.begin(), value.end(), ab.begin() + static_cast<long>(offset));
        EXPECT_EQ(replay_damaged("header field at " + std::to_string(offset), ab, &r.abh).status,
                  1);
    }
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// The summary lines that tell what was played, without the timing.
std::vector<std::string> what_was_played(const test::ProgramRun& run) {
    std::vector<std::string> kept;
    for (const std::string& line : run.out_lines()) {
        for (const char* key : {"  records", "  lines", "  particles", "  drops"}) {
            if (line.rfind(key, 0) == 0) kept.push_back(line);
        }
    }
    return kept;
}

// A recording followed by gigabytes of zero bytes, as a sparse or pre-allocated file holds
// them: every four bytes are an empty record that both readers pass over. They must go by
// at memory speed (one by one they took tens of seconds) and change nothing that is played.
TEST_F(DamagedRecordings, ZeroTailsArePassedAtMemorySpeed) {
    const Recording& r = base_recording(2);
    const fs::path path = work_dir() / "zero_tail.ab";
    write_file(path, r.ab);
    write_file(fs::path(path).replace_extension(".abh"), r.abh);
    const std::vector<std::string> args = {kReplay, "--corrections-dir",
                                           (work_dir() / "no_corrections").string(), path.string()};
    const ChildRun intact = run_program(args);
    ASSERT_EQ(intact.status, 0) << intact.err;

    struct Tail {
        const char* what;
        uint64_t bytes;
        bool sparse;
    };
    for (const Tail t : {Tail{"64 MiB of written zeros", 64ull << 20, false},
                         Tail{"3 GiB sparse", 3ull << 30, true}}) {
        if (t.sparse) {
            fs::resize_file(path, r.ab.size() + t.bytes);
        } else {
            Bytes ab = r.ab;
            ab.resize(r.ab.size() + t.bytes, 0);
            write_file(path, ab);
        }
        const auto began = std::chrono::steady_clock::now();
        const ChildRun run = run_program(args);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
        EXPECT_FALSE(run.timed_out) << t.what << ": still running after 10 s";
        EXPECT_EQ(run.status, 0) << t.what << ": " << run.err;
        EXPECT_EQ(what_was_played(run), what_was_played(intact)) << t.what;
        EXPECT_EQ(fs::file_size(path), r.ab.size() + t.bytes) << t.what;
        std::printf("%s: %.2f s\n", t.what, took.count());
    }
    fs::remove(path);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// The events of a run that hold every one of the texts.
long long count_events(const test::ProgramRun& run, std::initializer_list<const char*> texts) {
    long long n = 0;
    for (const std::string& line : run.out_lines()) {
        bool all = true;
        for (const char* text : texts) all = all && line.find(text) != std::string::npos;
        n += all ? 1 : 0;
    }
    return n;
}

// A version-2 line number of NaN or infinity in one camera-B record: that record is lost,
// and nothing else. (Such a number once stalled camera B until A was exhausted: the replay
// ended with status 0 and most pairs missing.)
TEST_F(DamagedRecordings, ALineNumberThatIsNoNumberCostsOnlyItsRecord) {
    const Recording& r = base_recording(2);
    const ChildRun intact = replay_damaged("intact", r.ab, &r.abh);
    ASSERT_EQ(intact.status, 0);
    const long long records_b = count_events(intact, {"\"record\"", "\"cam\":\"B\""});
    const long long pairs = count_events(intact, {"\"outcome\":\"pair\""});
    ASSERT_GT(pairs, 20);

    const std::vector<size_t> offsets = record_offsets(r.ab);
    size_t third_b = 0;
    for (size_t i = 1, seen = 0; i < offsets.size() && third_b == 0; ++i) {
        if (load_u16(r.ab.data() + offsets[i]) == 2 && ++seen == 3) third_b = offsets[i];
    }
    ASSERT_NE(third_b, 0u);
    const Bytes nan = {0, 0, 0, 0, 0, 0, 0xF8, 0x7F};
    const Bytes inf = {0, 0, 0, 0, 0, 0, 0xF0, 0x7F};
    for (const Bytes& value : {nan, inf}) {
        Bytes ab = r.ab;
        // Record head (4 bytes), line count (2), first block's header word (4): its line number.
        std::copy(value.begin(), value.end(), ab.begin() + static_cast<long>(third_b + 10));
        const ChildRun run = replay_damaged("line number " + std::to_string(value[6]), ab, &r.abh);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(count_events(run, {"\"record\"", "\"cam\":\"B\""}), records_b - 1);
        EXPECT_GE(count_events(run, {"\"outcome\":\"pair\""}), pairs - 3);
    }
}

}  // namespace
}  // namespace korvel
