// The viewer on a recording that is still being written: it catches up, waits and plays on as
// the file grows; a file cut for good ends with the fatal box once the grace time is over.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <filesystem>

#include "display/qt/vorlex_view.h"
#include "shell/command_ids.h"
#include "shell/shell_texts.h"
#include "shell_fixture.h"
#include "support/recording_readback.h"

namespace korvel::test {
namespace {

// The offset halfway into the payload of the record with that number.
size_t inside_record(const std::vector<uint8_t>& bytes, size_t record) {
    const ReadRecord r = read_all_records(bytes).at(record);
    return r.offset + 4 + r.payload.size() / 2;
}

std::vector<uint8_t> part(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
    return std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + to);
}

class FollowWindow : public ShellTest {
  protected:
    // Writes the first record_count records and half of the next of a recording, opens it
    // and plays it at max speed.
    std::vector<uint8_t> open_cut(size_t record_count) {
        const std::string whole = make_recording("whole.ab", 6, 100);
        std::vector<uint8_t> bytes = read_file(whole);
        path = dir.file("live.ab");
        std::filesystem::copy_file(dir.file("whole.abh"), dir.file("live.abh"));
        cut = inside_record(bytes, record_count);
        write_file(path, part(bytes, 0, cut));
        open_through_menu(path, QTime(12, 0, 0));
        frame().set_speed(frame().speed_selector()->findText("max"));
        frame().action(ID_PLAY_START)->trigger();
        return bytes;
    }
    QString message() { return frame().message_pane()->text(); }

    std::string path;
    size_t cut = 0;
};

TEST_F(FollowWindow, CatchesUpWaitsAndPlaysOnAsTheFileGrows) {
    const std::vector<uint8_t> bytes = open_cut(60);
    // Nothing grew yet: the end of what there is looks like the end.
    QTRY_COMPARE_WITH_TIMEOUT(message(), QString(texts::kEndOfFile), 20000);
    EXPECT_LT(session().pos_a, cut);  // waiting at the start of the cut record

    const size_t second = inside_record(bytes, 200);
    append_file(path, part(bytes, cut, second));
    QTRY_COMPARE_WITH_TIMEOUT(message(), QString(texts::kWaitingForData), 20000);
    EXPECT_LT(session().pos_a, second);

    append_file(path, part(bytes, second, bytes.size()));
    QTRY_VERIFY_WITH_TIMEOUT(session().pos_a == bytes.size() && session().pos_b == bytes.size(),
                             20000);
    QTRY_COMPARE_WITH_TIMEOUT(message(), QString(texts::kWaitingForData), 20000);
    EXPECT_EQ(app->exit_status(), 0);
}

TEST_F(FollowWindow, ACutFileEndsWithTheFatalBoxAfterTheGraceTime) {
    QElapsedTimer clock;
    clock.start();
    session().follow.watch.set_grace(std::chrono::milliseconds(1500));
    open_cut(60);
    QTRY_VERIFY_WITH_TIMEOUT(app->exit_status() == 1, 20000);
    EXPECT_GE(clock.elapsed(), 1500);
    ASSERT_FALSE(runner.shown.empty());
    EXPECT_EQ(runner.shown.back().text, "mp04");
}

TEST_F(FollowWindow, AStartAfterTheEndWaitsForTheFileThenSaysTheRecordingEndsBeforeIt) {
    // Six seconds from 12:00:00, opened at 12:05: the index has no entry of its own for that
    // minute. The file does not grow, so after the grace time the status bar says so.
    session().follow.watch.set_grace(std::chrono::milliseconds(600));
    open_through_menu(make_recording("early.ab", 6, 100), QTime(12, 5, 0));
    frame().action(ID_PLAY_START)->trigger();
    EXPECT_EQ(frame().pane_message().state, PaneState::waiting_for_start);
    QTRY_COMPARE_WITH_TIMEOUT(frame().pane_message().state, PaneState::ends_before_start, 20000);
    EXPECT_EQ(app->exit_status(), 0);
}

}  // namespace
}  // namespace korvel::test
