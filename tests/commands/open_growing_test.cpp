// Open on a recording that an instrument is still creating: what is not written yet (the
// header, the index file, its tables, the start minute's entries) is waited for while the file
// may grow, and once it is quiet each is what it is on the finished file.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "commands/open_file.h"
#include "commands/open_file_reading.h"
#include "common/little_endian.h"
#include "format/index_file.h"
#include "io/memory_file_opener.h"
#include "io/memory_source.h"
#include "playback/playback_step.h"
#include "support/fatal_text.h"
#include "support/playback_harness.h"
#include "support/record_bytes.h"

namespace korvel {
namespace {

constexpr int32_t kJune7th2006Noon = 1149681600;
const std::string kData = "/data/0607.ab";
const std::string kIndex = "/data/0607.abh";
// 12:30 at 1000 lines/s: minute 750.
constexpr size_t kMinute = 750;

// Index tables as a writer leaves them while its recording grows: minutes before first_open
// hold records' offsets (camera A 1000 + m, camera B 5000 + m), the rest the data file's
// length at the time of writing. first_open past the day: the finished index of a file that
// reaches the last minute.
std::vector<uint8_t> index_tables(size_t first_open, uint32_t fill = 90000) {
    std::vector<uint8_t> bytes(2 * kIndexTableBytes);
    for (size_t m = 0; m < kIndexMinutes; ++m) {
        const bool open = m >= first_open;
        store_u32(&bytes[4 * m], open ? fill : 1000 + static_cast<uint32_t>(m));
        store_u32(&bytes[kIndexTableBytes + 4 * m], open ? fill : 5000 + static_cast<uint32_t>(m));
    }
    return bytes;
}

const std::vector<uint8_t> kHeader = test::header_v1_record(1000.0, kJune7th2006Noon);
const std::vector<uint8_t> kSettled = index_tables(kMinute + 1);

struct Growing {
    const char* what;
    std::vector<uint8_t> ab;
    bool with_index;
    std::vector<uint8_t> abh;
    OpenWait waits_for;
    // Once quiet: the read error raised, or else the file error reported (or neither).
    const char* fatal;
    const char* file_error;
};

class OpenGrowing : public ::testing::TestWithParam<Growing> {
  protected:
    void SetUp() override {
        const Growing& g = GetParam();
        opener.add(kData, g.ab);
        if (g.with_index) opener.add(kIndex, g.abh);
        user.path = kData;
        user.hour = 12;
        user.minute = 30;
        session.follow.wait_on_cut = true;
        session.follow.watch.set_grace(std::chrono::hours(1));
        open_file(session, doc, user, opener);
    }
    std::vector<uint8_t>& data() { return dynamic_cast<MemorySource&>(*session.data_file).bytes(); }

    PlaybackSession session;
    Document doc;
    test::StepUser user;
    MemoryFileOpener opener;
};

TEST_P(OpenGrowing, WaitsForWhatIsMissingAndEndsAsTheFinishedFileWouldOnceQuiet) {
    const Growing& g = GetParam();
    ASSERT_EQ(session.follow.opening, g.waits_for);
    read_recording(session, doc, user);  // nothing written meanwhile: still waiting
    EXPECT_EQ(session.follow.opening, g.waits_for);
    EXPECT_TRUE(user.file_errors.empty());
    EXPECT_FALSE(playback_step_may_run(session, doc));

    session.follow.watch.set_grace(std::chrono::seconds(0));
    const std::string fatal = test::fatal_text([&] { read_recording(session, doc, user); });
    EXPECT_EQ(fatal, g.fatal ? g.fatal : "<no error>");
    if (g.fatal) return;
    EXPECT_EQ(session.follow.opening, OpenWait::none);
    EXPECT_EQ(user.file_errors, g.file_error ? test::Strings{g.file_error} : test::Strings{});
    // Without a usable index playback starts at the data file's start; with the entries as
    // they stand, where the finished recording ends.
    const uint32_t expected = g.file_error ? 0u : load_u32(&g.abh[4 * kMinute]);
    EXPECT_EQ(session.pos_a, expected);
}

TEST_P(OpenGrowing, GoesOnWhereTheFinishedFileWouldPutTheReadersOnceItIsWritten) {
    const Growing& g = GetParam();
    ASSERT_EQ(session.follow.opening, g.waits_for);
    data() = kHeader;
    opener.add(kIndex, kSettled);
    if (session.index_file) dynamic_cast<MemorySource&>(*session.index_file).bytes() = kSettled;
    read_recording(session, doc, user);
    EXPECT_EQ(session.follow.opening, OpenWait::none);
    EXPECT_EQ(session.pos_a, 1000u + kMinute);
    EXPECT_EQ(session.pos_b, 5000u + kMinute);
    EXPECT_EQ(session.line_rate, 1000.0);
    EXPECT_EQ(user.file_errors, test::Strings{});
    EXPECT_EQ(doc.m_newFile, 1);
}

std::vector<uint8_t> first(size_t n) {
    return std::vector<uint8_t>(kHeader.begin(), kHeader.begin() + static_cast<long>(n));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenGrowing,
    ::testing::Values(
        Growing{"empty", {}, true, kSettled, OpenWait::header, "eval_arg41", nullptr},
        Growing{"type only", first(2), true, kSettled, OpenWait::header, "eval_arg42", nullptr},
        Growing{"header cut", first(kHeader.size() - 1), true, kSettled, OpenWait::header,
                "eval_arg43", nullptr},
        Growing{"no index", kHeader, false, {}, OpenWait::index_file, nullptr,
                "/data/0607.abh wurde nicht gefunden."},
        Growing{"index cut", kHeader, true,
                std::vector<uint8_t>(kSettled.begin(), kSettled.end() - 1),
                OpenWait::index_tables, "pixfil05", nullptr},
        Growing{"start minute not reached", kHeader, true, index_tables(kMinute),
                OpenWait::start_minute, nullptr, nullptr}),
    [](const ::testing::TestParamInfo<Growing>& info) {
        std::string name = info.param.what;
        for (char& c : name) {
            if (c == ' ') c = '_';
        }
        return name;
    });

TEST(IndexEntrySettled, AnEntryBelowTheTablesEndIsARecordsOwn) {
    MinuteTable a{}, b{};
    a.fill(700);
    b.fill(700);
    for (size_t m = 0; m < 10; ++m) a[m] = b[m] = 100 + static_cast<uint32_t>(m);
    EXPECT_TRUE(index_entry_settled(a, b, 9));
    EXPECT_FALSE(index_entry_settled(a, b, 10));
    // Camera B has a record in the last minute; its end is then its own, A's the fill.
    b.fill(650);
    EXPECT_FALSE(index_entry_settled(a, b, 10));
    a.fill(650);
    a.back() = 700;
    EXPECT_TRUE(index_entry_settled(a, b, 10));
}

TEST(OpenGrowingFinished, AFileReadAsFinishedNeverWaits) {
    MemoryFileOpener opener;
    opener.add(kData, kHeader);
    opener.add(kIndex, index_tables(kMinute));
    PlaybackSession session;
    Document doc;
    test::StepUser user;
    user.path = kData;
    user.hour = 12;
    user.minute = 30;
    open_file(session, doc, user, opener);
    EXPECT_EQ(session.follow.opening, OpenWait::none);
    EXPECT_EQ(session.pos_a, 90000u);  // the entry as the index gives it
}

}  // namespace
}  // namespace korvel
