// Open on a recording that an instrument is still creating: what is not written yet is
// waited for while the file may grow; once it is quiet, each is what it is on the finished file.
#include <gtest/gtest.h>

#include <chrono>

#include "commands/open_file.h"
#include "commands/open_file_reading.h"
#include "common/little_endian.h"
#include "format/index_file.h"
#include "io/memory_file_opener.h"
#include "support/fatal_text.h"
#include "support/playback_harness.h"
#include "support/record_bytes.h"

namespace korvel {
namespace {

const std::string kData = "/data/0607.ab";
const std::string kIndex = "/data/0607.abh";
constexpr size_t kMinute = 750;  // 12:30 at 1000 lines/s
const std::vector<uint8_t> kHeader = test::header_v1_record(1000.0, 1149681600);

// Tables as a writer leaves them while its recording grows: minutes from first_open on hold
// the data file's length then (90000), earlier ones the offsets of records.
std::vector<uint8_t> index_tables(size_t first_open, size_t cut = 0) {
    std::vector<uint8_t> bytes(2 * kIndexTableBytes);
    for (uint32_t m = 0; m < kIndexMinutes; ++m) {
        store_u32(&bytes[4 * m], m >= first_open ? 90000 : 1000 + m);
        store_u32(&bytes[kIndexTableBytes + 4 * m], m >= first_open ? 90000 : 5000 + m);
    }
    bytes.resize(bytes.size() - cut);
    return bytes;
}

TEST(OpenGrowing, WaitsForWhatIsNotWrittenYetThenEndsAsOnTheFinishedFile) {
    const std::vector<uint8_t> settled = index_tables(kMinute + 1);
    const struct {
        size_t header_bytes;
        std::vector<uint8_t> abh;  // empty: no index file
        OpenWait waits_for;
        const char* once_quiet;  // the error, or the file error when there is no index file
    } cases[] = {
        {0, settled, OpenWait::header, "eval_arg41"},
        {kHeader.size() - 1, settled, OpenWait::header, "eval_arg43"},
        {kHeader.size(), {}, OpenWait::index_file, "/data/0607.abh wurde nicht gefunden."},
        {kHeader.size(), index_tables(kMinute + 1, 1), OpenWait::index_tables, "pixfil05"},
        {kHeader.size(), index_tables(kMinute), OpenWait::start_minute, "<no error>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.waits_for));
        MemoryFileOpener opener;
        opener.add(kData, std::vector<uint8_t>(kHeader.begin(), kHeader.begin() + c.header_bytes));
        if (!c.abh.empty()) opener.add(kIndex, c.abh);
        PlaybackSession s;
        Document doc;
        test::StepUser user;
        user.path = kData;
        user.hour = 12;
        user.minute = 30;
        s.follow.set_mode(FollowMode::wait_at_cut, std::chrono::hours(1));
        open_file(s, doc, user, opener);
        read_recording(s, doc, user);
        ASSERT_EQ(s.follow.opening, c.waits_for);
        s.follow.watch.set_grace(std::chrono::seconds(0));  // the file stays as it is
        const std::string error = test::fatal_text([&] { read_recording(s, doc, user); });
        const test::Strings said = c.abh.empty() ? user.file_errors : test::Strings{error};
        EXPECT_EQ(said, test::Strings{c.once_quiet});
        // Without an error it ends where the finished recording ends.
        EXPECT_TRUE(said != test::Strings{"<no error>"} || s.pos_a == 90000u) << s.pos_a;
    }
}

}  // namespace
}  // namespace korvel
