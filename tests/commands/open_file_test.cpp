#include "commands/open_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "commands/close_file.h"
#include "commands/window_title.h"
#include "common/little_endian.h"
#include "format/index_file.h"
#include "io/file_error_text.h"
#include "io/memory_file_opener.h"
#include "io/open_failure_text.h"
#include "support/fatal_text.h"
#include "support/record_bytes.h"

namespace korvel {
namespace {

constexpr int32_t kJune7th2006Noon = 1149681600;  // 2006-06-07 12:00:00 UTC
const std::string kDataPath = "/data/0607.ab";
const std::string kIndexPath = "/data/0607.abh";

// Answers the dialogs as a test sets them up and records everything shown.
class ScriptedUser : public UserInteraction {
  public:
    bool file_ok = true;
    std::string path = kDataPath;
    std::string file_title = "0607.ab";
    bool time_ok = true;
    int hour = 0, minute = 0, second = 0;

    int file_dialogs = 0, time_dialogs = 0, repaints = 0;
    std::vector<std::string> messages, file_errors, titles, recent;

    bool choose_file(std::string& p, std::string& t) override {
        ++file_dialogs;
        p = path;
        t = file_title;
        return file_ok;
    }
    bool choose_start_time(int& h, int& m, int& s) override {
        ++time_dialogs;
        h = hour;
        m = minute;
        s = second;
        return time_ok;
    }
    void show_message(const std::string& text) override { messages.push_back(text); }
    void report_file_error(const std::string& text) override { file_errors.push_back(text); }
    void add_recent_file(const std::string& p) override { recent.push_back(p); }
    void set_title(const std::string& text) override { titles.push_back(text); }
    void repaint_views() override { ++repaints; }
    CivilDate local_today() override { return CivilDate{2024, 3, 9}; }
};

// Index tables whose entries tell camera, minute and a per-file marker apart.
std::vector<uint8_t> index_bytes(size_t size, uint32_t marker = 0) {
    std::vector<uint8_t> bytes(size);
    for (size_t m = 0; m < kIndexMinutes; ++m) {
        if (4 * m + 4 <= size) store_u32(&bytes[4 * m], marker + 1000 + m);
        const size_t b = kIndexTableBytes + 4 * m;
        if (b + 4 <= size) store_u32(&bytes[b], marker + 500000 + m);
    }
    return bytes;
}

class OpenFileTest : public ::testing::Test {
  protected:
    void add_recording(const std::string& path, double line_rate, uint32_t marker = 0) {
        opener.add(path, test::header_v1_record(line_rate, kJune7th2006Noon));
        opener.add(index_file_path(path), index_bytes(2 * kIndexTableBytes, marker));
    }
    void open() { open_file(session, doc, user, opener); }
    std::string open_error() {
        return test::fatal_text([&] { open(); });
    }

    PlaybackSession session;
    Document doc;
    ScriptedUser user;
    MemoryFileOpener opener;
};

TEST_F(OpenFileTest, PlacesBothReadersAtTheMinuteOfTheStartTime) {
    add_recording(kDataPath, 1000.0);
    user.hour = 12;
    user.minute = 30;
    doc.m_newFile = 0;
    open();
    EXPECT_EQ(session.start_seconds, 45000);
    EXPECT_EQ(session.start_line, 45000000.0);
    EXPECT_EQ(session.pos_a, 1000u + 750u);
    EXPECT_EQ(session.pos_b, 500000u + 750u);
    EXPECT_EQ(session.header_version, 1);
    EXPECT_EQ(session.line_rate, 1000.0);
    EXPECT_EQ(session.line_width, 512);

    EXPECT_EQ(session.open_document, &doc);
    ASSERT_NE(session.decode_context, nullptr);
    EXPECT_EQ(doc.m_pContext, session.decode_context.get());
    EXPECT_EQ(doc.path_name, kDataPath);
    EXPECT_EQ(doc.title, "0607.ab");
    EXPECT_EQ(doc.m_newFile, 1);
    EXPECT_EQ(user.recent, std::vector<std::string>{kDataPath});
    EXPECT_EQ(user.titles, std::vector<std::string>{"PLUVARIC   KORVEL   0607   2006/06/07   "});
    EXPECT_TRUE(user.file_errors.empty());
}

TEST_F(OpenFileTest, UntouchedPickerStartsAtMinuteZero) {
    add_recording(kDataPath, 1000.0);
    open();
    EXPECT_EQ(session.start_seconds, 0);
    EXPECT_EQ(session.start_line, 0.0);
    EXPECT_EQ(session.pos_a, 1000u);
    EXPECT_EQ(session.pos_b, 500000u);
}

TEST_F(OpenFileTest, WhileAFileIsOpenOnlyTheMessageIsShown) {
    add_recording(kDataPath, 1000.0);
    user.hour = 1;
    open();
    DecodeContext* context = session.decode_context.get();
    const uint32_t pos_a = session.pos_a;
    open();
    EXPECT_EQ(user.messages, std::vector<std::string>{"File already opened \nFirst close it !!!"});
    EXPECT_EQ(user.file_dialogs, 1);
    EXPECT_EQ(user.time_dialogs, 1);
    EXPECT_EQ(user.titles.size(), 1u);
    EXPECT_EQ(session.decode_context.get(), context);
    EXPECT_EQ(session.pos_a, pos_a);
}

TEST_F(OpenFileTest, CancelInTheFileDialogChangesNothing) {
    add_recording(kDataPath, 1000.0);
    user.file_ok = false;
    open();
    EXPECT_EQ(user.time_dialogs, 0);
    EXPECT_EQ(session.open_document, nullptr);
    EXPECT_EQ(session.decode_context, nullptr);
    EXPECT_EQ(session.data_file, nullptr);
    EXPECT_TRUE(user.titles.empty());
}

TEST_F(OpenFileTest, CancelledStartTimeKeepsTheSecondsAndUsesTheNewLineRate) {
    add_recording(kDataPath, 1000.0);
    add_recording("/data/0608.ab", 500.0);
    user.time_ok = false;
    open();
    EXPECT_EQ(session.start_seconds, 0);

    close_file(session, doc, user);
    user.time_ok = true;
    user.hour = 12;
    user.minute = 30;
    open();
    close_file(session, doc, user);

    user.time_ok = false;
    user.path = "/data/0608.ab";
    open();
    EXPECT_EQ(session.start_seconds, 45000);
    EXPECT_EQ(session.start_line, 45000.0 * 500.0);
    EXPECT_EQ(session.pos_a, 1000u + 750u);
}

TEST_F(OpenFileTest, CommandLinePathIsUsedOnceWithoutTheFileDialog) {
    add_recording("/cmd/0609.ab", 1000.0);
    session.cmd_line_path = "/cmd/0609.ab";
    open();
    EXPECT_EQ(user.file_dialogs, 0);
    EXPECT_EQ(user.time_dialogs, 1);
    EXPECT_TRUE(session.cmd_line_path.empty());
    EXPECT_EQ(doc.path_name, "/cmd/0609.ab");
    EXPECT_EQ(doc.title, "");
    EXPECT_EQ(user.titles.back(), "PLUVARIC   KORVEL   0609   2006/06/07   ");
}

TEST_F(OpenFileTest, IndexFileMustHoldBothTablesWhole) {
    opener.add(kDataPath, test::header_v1_record(1000.0, kJune7th2006Noon));
    opener.add(kIndexPath, index_bytes(2 * kIndexTableBytes - 1));
    EXPECT_EQ(open_error(), "pixfil05");

    for (size_t size : {2 * kIndexTableBytes, 2 * kIndexTableBytes + 100}) {
        PlaybackSession fresh;
        Document fresh_doc;
        opener.add(kIndexPath, index_bytes(size));
        user.hour = 23;
        user.minute = 59;
        user.second = 59;
        open_file(fresh, fresh_doc, user, opener);
        EXPECT_EQ(fresh.pos_b, 500000u + 1439u) << size;
    }
}

TEST_F(OpenFileTest, MissingIndexIsReportedAndPlaybackStartsAtTheFileStart) {
    // A first file is played some way, then closed; the second has no index file.
    add_recording("/data/0606.ab", 1000.0);
    user.path = "/data/0606.ab";
    user.hour = 6;
    open();
    session.pos_a = 7777;
    session.pos_b = 8888;
    close_file(session, doc, user);

    opener.add(kDataPath, test::header_v1_record(1000.0, kJune7th2006Noon));
    user.path = kDataPath;
    open();
    EXPECT_EQ(user.file_errors, std::vector<std::string>{"/data/0607.abh wurde nicht gefunden."});
    EXPECT_EQ(session.pos_a, 0u);
    EXPECT_EQ(session.pos_b, 0u);
    EXPECT_EQ(session.open_document, &doc);
    EXPECT_NE(session.data_file, nullptr);
    EXPECT_EQ(doc.m_pContext, session.decode_context.get());
    EXPECT_EQ(user.titles.back(), "PLUVARIC   KORVEL   0607   2006/06/07   ");
}

TEST_F(OpenFileTest, DataFileThatCannotBeOpenedIsFatal) {
    EXPECT_EQ(open_error(), "Could not open because: /data/0607.ab wurde nicht gefunden.");
    EXPECT_EQ(session.open_document, nullptr);

    // However long the path, the message stays within 254 bytes, and the reason shows: the
    // path gives up its middle.
    for (const size_t length : {208u, 209u, 300u, 5000u}) {
        user.path = "/" + std::string(length - 4, 'x') + ".ab";
        session.open_document = nullptr;
        const std::string text = open_error();
        EXPECT_LE(text.size(), 254u) << length;
        EXPECT_EQ(text.rfind("Could not open because: /xxx", 0), 0u) << text;
        EXPECT_TRUE(text.ends_with("xx.ab wurde nicht gefunden.")) << text;
        EXPECT_EQ(text.find("...") != std::string::npos, length > 208u) << text;
    }
}

TEST_F(OpenFileTest, HeaderErrorsPropagate) {
    opener.add(kDataPath, {0x00});
    EXPECT_EQ(open_error(), "eval_arg41");
    opener.add(kDataPath, {0x00, 0x00, 0x38});
    session.open_document = nullptr;
    EXPECT_EQ(open_error(), "eval_arg42");
}

TEST_F(OpenFileTest, StartMinuteOutsideTheIndexIsRejectedBeforeTheTablesAreRead) {
    // At 0.02 lines/s a minute holds floor(1.2) = 1 line, so 23:59:59 (line 1727) falls in
    // minute 1727. The index file is short: reading it would raise "pixfil05" instead.
    opener.add(kDataPath, test::header_v1_record(0.02, kJune7th2006Noon));
    opener.add(kIndexPath, index_bytes(100));
    user.hour = 23;
    user.minute = 59;
    user.second = 59;
    const std::string text = open_error();
    EXPECT_NE(text.find("Start time outside the index file"), std::string::npos) << text;
    EXPECT_EQ(session.minute_pos_a[0], 0u);

    // Below one line a minute even the start of the day has no minute: the message names the
    // rate, which is what is wrong, at any start time.
    for (const double rate : {0.01, 1.0 / 61.0, 1e-300}) {
        opener.add(kDataPath, test::header_v1_record(rate, kJune7th2006Noon));
        for (const int hour : {0, 12}) {
            session.open_document = nullptr;
            user.hour = hour;
            user.minute = user.second = 0;
            const std::string rate_text = open_error();
            EXPECT_EQ(rate_text.rfind("Line rate of ", 0), 0u) << rate_text;
            EXPECT_NE(rate_text.find("below one line a minute"), std::string::npos) << rate_text;
            EXPECT_EQ(rate_text.find("nan"), std::string::npos) << rate_text;
        }
    }
}

TEST_F(OpenFileTest, TheIndexsLastMinuteOpensAndTheOneAfterItDoesNot) {
    // The tables hold minutes 0 to 1441. A start time reaches minute 1441 and beyond only at
    // a rate that gives few lines a minute, which versions 1 and 2 can store; version 0's
    // slowest rate, 1193180 / 32767 = 36 lines/s, keeps the end of the day in minute 1439.
    struct Case {
        const char* what;
        std::vector<uint8_t> header;
        int hour, minute, second;
        int64_t index_minute;  // -1: the start time lies outside the index
    };
    const Case cases[] = {
        // 0.02 lines/s: floor(1.2) = 1 line a minute, so the minute is the start line.
        {"v1, line 1441", test::header_v1_record(0.02, kJune7th2006Noon), 20, 1, 0, 1441},
        {"v1, line 1442", test::header_v1_record(0.02, kJune7th2006Noon), 20, 1, 50, -1},
        {"v2, line 1441", test::header_v2_record(0.02, 256, kJune7th2006Noon), 20, 1, 0, 1441},
        {"v2, line 1442", test::header_v2_record(0.02, 256, kJune7th2006Noon), 20, 1, 50, -1},
        {"v0, slowest rate", test::header_v0_record(32767, kJune7th2006Noon), 23, 59, 59, 1439},
        {"v0, fastest rate", test::header_v0_record(1, kJune7th2006Noon), 23, 59, 59, 1439},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlaybackSession fresh;
        Document fresh_doc;
        opener.add(kDataPath, c.header);
        // Exactly the two tables: the last minute's entries are the file's last bytes.
        opener.add(kIndexPath, index_bytes(2 * kIndexTableBytes));
        std::tie(user.hour, user.minute, user.second) = std::tie(c.hour, c.minute, c.second);
        const std::string text =
            test::fatal_text([&] { open_file(fresh, fresh_doc, user, opener); });
        if (c.index_minute < 0) {
            EXPECT_NE(text.find("minute 1442, the index covers minutes 0 to 1441"), text.npos);
        } else {
            EXPECT_EQ(text, "<no error>");
            EXPECT_EQ(fresh.pos_a, 1000u + static_cast<uint32_t>(c.index_minute));
            EXPECT_EQ(fresh.pos_b, 500000u + static_cast<uint32_t>(c.index_minute));
        }
    }
}

TEST(IndexMinute, EachEdgeOfTheTablesAndOfTheRate) {
    // The rate at which a minute holds just one line, and the largest rate below it.
    double one_a_minute = 1.0 / 60.0;
    while (std::floor(std::nextafter(one_a_minute, 0.0) * 60.0) >= 1.0) {
        one_a_minute = std::nextafter(one_a_minute, 0.0);
    }
    const double below_one = std::nextafter(one_a_minute, 0.0);
    ASSERT_EQ(std::floor(one_a_minute * 60.0), 1.0);
    ASSERT_EQ(std::floor(below_one * 60.0), 0.0);

    struct Case {
        double start_line, line_rate;
        int64_t minute;  // -1: outside the index; -2: the rate is refused
    };
    const Case cases[] = {
        {0.0, 1000.0, 0},
        {59999.0, 1000.0, 0},
        {60000.0, 1000.0, 1},
        {1442.0 * 60000.0 - 1.0, 1000.0, 1441},
        {1442.0 * 60000.0, 1000.0, -1},
        {1441.0, 0.02, 1441},
        {1441.5, 0.02, 1441},
        {1442.0, 0.02, -1},
        {-1.0, 1000.0, -1},
        {1441.0, one_a_minute, 1441},
        {0.0, one_a_minute, 0},
        {0.0, below_one, -2},
        {0.0, 0.0, -2},
        {std::numeric_limits<double>::quiet_NaN(), 1000.0, -1},
        {0.0, std::numeric_limits<double>::quiet_NaN(), -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.start_line) + " at " + std::to_string(c.line_rate));
        size_t minute = 0;
        const std::string text =
            test::fatal_text([&] { minute = index_minute(c.start_line, c.line_rate); });
        if (c.minute >= 0) {
            EXPECT_EQ(text, "<no error>");
            EXPECT_EQ(minute, static_cast<size_t>(c.minute));
        } else {
            const char* expected =
                c.minute == -1 ? "Start time outside the index file" : "below one line a minute";
            EXPECT_NE(text.find(expected), std::string::npos) << text;
        }
    }
}

TEST_F(OpenFileTest, CloseFileFreesTheContextAndRetitles) {
    add_recording(kDataPath, 1000.0);
    open();
    session.decode_context->m_oldA = 123.0;  // marks the first file's context
    doc.m_newFile = 0;
    close_file(session, doc, user);
    EXPECT_EQ(session.open_document, nullptr);
    EXPECT_EQ(session.decode_context, nullptr);
    EXPECT_EQ(session.data_file, nullptr);
    EXPECT_EQ(doc.m_pContext, nullptr);
    EXPECT_EQ(doc.m_newFile, 1);
    EXPECT_EQ(doc.path_name, kDataPath);
    EXPECT_EQ(user.repaints, 1);
    EXPECT_EQ(user.titles.back(), "PLUVARIC   KORVEL      2024/03/09   ");

    open();
    ASSERT_NE(session.decode_context, nullptr);
    EXPECT_EQ(session.decode_context->m_oldA, 0.0);
    EXPECT_EQ(session.open_document, &doc);
}

TEST_F(OpenFileTest, CloseFileWithNothingOpenOnlyRetitles) {
    close_file(session, doc, user);
    EXPECT_EQ(user.repaints, 0);
    EXPECT_EQ(user.titles, std::vector<std::string>{"PLUVARIC   KORVEL      2024/03/09   "});
}

TEST(WindowTitle, NameAndIndexPathDropTheLastThreeCharacters) {
    EXPECT_EQ(title_name("/data/0607.ab"), "0607");
    EXPECT_EQ(title_name("0607.ab"), "0607");
    EXPECT_EQ(title_name("/data/ab"), "");
    EXPECT_EQ(title_name("/data/"), "");
    EXPECT_EQ(index_file_path("/data/0607.ab"), "/data/0607.abh");
    EXPECT_EQ(index_file_path("ab"), "ab.abh");  // no ".ab" extension: the name stays whole
    EXPECT_EQ(window_title("x", CivilDate{33, 1, 2}), "PLUVARIC   KORVEL   x   0033/01/02   ");
}

TEST(OpenFailureText, CutsNeverSplitACharacter) {
    // "ä" is two bytes in UTF-8; a cut through it drops the whole character.
    EXPECT_EQ(cut_text("enth\xC3\xA4lt", 5), "enth");
    EXPECT_EQ(cut_text("enth\xC3\xA4lt", 6), "enth\xC3\xA4");
    EXPECT_EQ(cut_text("kurz", 254), "kurz");
}

TEST(OpenFailureText, LongPathsGiveUpTheirMiddleSoTheReasonShows) {
    struct Case {
        std::string path;
        size_t max;
        std::string shortened;
    };
    const Case cases[] = {
        {"abcdef", 6, "abcdef"},
        {"abcdefgh", 7, "ab...gh"},
        {"abcdefghi", 8, "ab...ghi"},
        {"abcdef", 3, "abc"},  // no room for a gap: cut at the end
        // A two-byte character on either side of the cut goes whole or not at all.
        {"\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4", 7, "\xC3\xA4...\xC3\xA4"},
        {"ab\xC3\xA4\xC3\xA4\xC3\xA4"
         "cd",
         9, "ab...cd"},
    };
    for (const Case& c : cases) EXPECT_EQ(shorten_middle(c.path, c.max), c.shortened) << c.path;

    for (const FileError error : {FileError::file_not_found, FileError::access_denied,
                                  FileError::sharing_violation, FileError::too_many_open_files}) {
        const std::string path = "/" + std::string(3000, 'p') + "/0607.ab";
        const std::string text = open_failure_text(error, path, std::string::npos, 254);
        EXPECT_LE(text.size(), 254u);
        EXPECT_GE(text.size(), 252u);  // only a character that would be split is left out
        const size_t gap = text.find("...");
        ASSERT_NE(gap, std::string::npos) << text;
        // What stands around the shortened path is the reason's own text, whole.
        const std::string marked = file_error_reason(error, "\x01");
        const std::string before = marked.substr(0, marked.find('\x01'));
        const std::string after = marked.substr(marked.find('\x01') + 1);
        EXPECT_EQ(text.rfind("Could not open because: " + before + "/ppp", 0), 0u) << text;
        EXPECT_TRUE(text.ends_with("pp/0607.ab" + after)) << text;
    }
    // The correction file's reason is limited on its own, to 255 bytes.
    const std::string text =
        open_failure_text(FileError::access_denied, std::string(400, 'd'), 255, std::string::npos);
    EXPECT_EQ(text.size(), 24u + 255u);
    EXPECT_TRUE(text.ends_with("d wurde verwehrt.")) << text;
    EXPECT_EQ(text.rfind("Could not open because: Zugriff auf ddd", 0), 0u) << text;
}

}  // namespace
}  // namespace korvel
