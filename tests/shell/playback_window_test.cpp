// A recording opened, played to its end and closed in the real main window.
#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "display/qt/playback_controller.h"
#include "display/qt/vorlex_view.h"
#include "playback/playback_step.h"
#include "shell/command_ids.h"
#include "shell/recent_files.h"
#include "shell_fixture.h"

namespace korvel::test {
namespace {

TEST_F(ShellTest, OpenPlacesBothCamerasAtTheMinuteOfTheStartTime) {
    const std::string path = make_recording("noon.ab", 90);
    open_through_menu(path, QTime(12, 1, 10));
    ASSERT_NE(session().open_document, nullptr);
    EXPECT_EQ(session().start_seconds, 12 * 3600 + 70);
    EXPECT_EQ(session().pos_a, session().minute_pos_a[721]);
    EXPECT_EQ(session().pos_b, session().minute_pos_b[721]);
    EXPECT_NE(session().pos_a, session().minute_pos_a[720]);  // the minute really matters
    EXPECT_EQ(frame().windowTitle(), "PLUVARIC   KORVEL   noon   2001/06/07   ");
    ASSERT_FALSE(frame().recent_actions().isEmpty());
    EXPECT_TRUE(frame().recent_actions().first()->text().endsWith("noon.ab"));
    EXPECT_TRUE(frame().recent_actions().first()->text().startsWith("&1 "));
}

// A very long name is shortened in the File menu, the whole path in its status tip.
TEST_F(ShellTest, AVeryLongRecentNameIsShortenedInTheMenu) {
    const QString path = QString::fromStdString(make_recording(std::string(200, 'r') + ".ab", 2));
    open_through_menu(path.toStdString(), QTime(12, 0, 0));
    ASSERT_FALSE(frame().recent_actions().isEmpty());
    EXPECT_EQ(frame().recent_actions().first()->statusTip(), path);
    EXPECT_EQ(frame().recent_actions().first()->text(),
              "&1 " + recent_menu_name(path, kRecentMenuChars));
}

TEST_F(ShellTest, CancelInTheFileDialogChangesNothing) {
    runner.file_to_choose.clear();
    frame().action(ID_FILE_OPEN_DATA)->trigger();
    EXPECT_EQ(session().open_document, nullptr);
    ASSERT_EQ(runner.shown.size(), 1u);  // no Start Time dialog after Cancel
}

TEST_F(ShellTest, PlaybackTicksOnlyAfterStartAndMovesTheTotals) {
    const std::string path = make_recording("play.ab", 20);
    open_through_menu(path, QTime(12, 0, 0));
    QSignalSpy stepped(frame().playback(), &PlaybackController::stepped);
    QTest::qWait(500);  // two ticks of the timer, but playback has not been started
    EXPECT_EQ(stepped.count(), 0);
    EXPECT_EQ(session().total_lines_a, 0.0);

    frame().action(ID_PLAY_START)->trigger();
    ASSERT_TRUE(stepped.wait(2000))
        << (runner.shown.empty() ? "" : runner.shown.back().text.toStdString());
    EXPECT_GT(session().total_lines_a, 0.0);
    const double after_first = session().total_lines_a;
    ASSERT_TRUE(stepped.wait(2000));
    EXPECT_GT(session().total_lines_a, after_first);
    EXPECT_FALSE(frame().position_field()->text().isEmpty());
    EXPECT_TRUE(frame().position_field()->text().startsWith("A 12:00:"));
}

TEST_F(ShellTest, TheEndOfTheRecordingIsShownAndTheProgramStays) {
    const std::string path = make_recording("end.ab", 4);
    open_through_menu(path, QTime(12, 0, 0));
    frame().set_speed(frame().speed_selector()->findText("max"));
    frame().action(ID_PLAY_START)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(frame().message_pane()->text(), QString("END OF FILE"), 20000);
    EXPECT_EQ(session().pos_a, session().data_file->length());
    EXPECT_EQ(app->exit_status(), 0);
    EXPECT_NE(session().open_document, nullptr);
    // Another file replaces the message.
    frame().action(ID_FILE_CLOSE_DATA)->trigger();
    open_through_menu(path, QTime(12, 0, 0));
    EXPECT_EQ(frame().message_pane()->text(), "Bereit");
}

TEST_F(ShellTest, CloseFileEndsTheSessionAndTitlesWithToday) {
    const std::string path = make_recording("close.ab", 3);
    open_through_menu(path, QTime(12, 0, 0));
    ASSERT_NE(session().open_document, nullptr);
    frame().action(ID_FILE_CLOSE_DATA)->trigger();
    EXPECT_EQ(session().open_document, nullptr);
    EXPECT_EQ(session().data_file, nullptr);
    EXPECT_EQ(session().decode_context, nullptr);
    EXPECT_FALSE(playback_step_may_run(session(), app->document().core()));
    const QDate d = QDate::currentDate();
    EXPECT_EQ(frame().windowTitle(), QString("PLUVARIC   KORVEL      %1/%2/%3   ")
                                         .arg(d.year(), 4, 10, QChar('0'))
                                         .arg(d.month(), 2, 10, QChar('0'))
                                         .arg(d.day(), 2, 10, QChar('0')));
    // Open works again after Close File.
    open_through_menu(path, QTime(12, 0, 0));
    EXPECT_NE(session().open_document, nullptr);
}

TEST_F(ShellTest, CtrlNEmptiesThePathNameSoPlaybackStandsStill) {
    const std::string path = make_recording("new.ab", 3);
    open_through_menu(path, QTime(12, 0, 0));
    show_frame();
    frame().action(ID_PLAY_START)->trigger();
    ASSERT_TRUE(playback_step_may_run(session(), app->document().core()));
    QTest::keyClick(&frame(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(app->document().core().path_name.empty());
    EXPECT_FALSE(playback_step_may_run(session(), app->document().core()));
    EXPECT_NE(session().open_document, nullptr);  // the data file stays open
}

TEST_F(ShellTest, ARecentFileOpensWithoutTheFileDialog) {
    const std::string path = make_recording("recent.ab", 3);
    open_through_menu(path, QTime(12, 0, 0));
    frame().action(ID_FILE_CLOSE_DATA)->trigger();
    runner.shown.clear();
    runner.file_to_choose.clear();
    frame().recent_actions().first()->trigger();
    EXPECT_NE(session().open_document, nullptr);
    ASSERT_EQ(runner.shown.size(), 1u);
    EXPECT_EQ(runner.shown[0].kind, "korvel::CStartTimeDlg");
    // While it is open, a recent file only brings the message, and leaves nothing waiting.
    frame().recent_actions().first()->trigger();
    EXPECT_EQ(runner.shown.back().text, "File already opened \nFirst close it !!!");
    EXPECT_TRUE(session().cmd_line_path.empty());
}

TEST_F(ShellTest, SavedPictureHasTheViewsSizeInDevicePixels) {
    show_frame();
    frame().resize(800, 600);
    QTest::qWait(50);
    const std::string png = dir.file("view.png");
    QString error;
    ASSERT_TRUE(frame().save_picture(png, error)) << error.toStdString();
    const QImage saved(QString::fromStdString(png));
    const QSize expected = frame().view()->size() * frame().view()->devicePixelRatio();
    EXPECT_EQ(saved.size(), expected);
}

}  // namespace
}  // namespace korvel::test
