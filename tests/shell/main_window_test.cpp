// The main window as a person meets it: its menu, check marks, accelerators and the pause that
// any use of the menu brings, and Tools > MIRVAN starting the companion viewer.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <cmath>

#include "display/qt/playback_controller.h"
#include "display/qt/vorlex_view.h"
#include "shell/command_ids.h"
#include "shell/companion_viewer.h"
#include "shell_fixture.h"

namespace korvel::test {
namespace {

QString blanks(int n) {
    return QString(n, ' ');
}

TEST_F(ShellTest, MenuHasEveryItemWithItsTextAndStartState) {
    const struct {
        int id;
        QString text;
        bool checkable;
        bool checked;
    } items[] = {
        {ID_FILE_OPEN_DATA, "O&pen...\tStrg+O", false, false},
        {ID_FILE_CLOSE_DATA, "&Close", false, false},
        {ID_APP_EXIT, "&Exit", false, false},
        {ID_PLAY_START, "&Start" + blanks(31) + "Alt+S", true, false},
        {ID_PLAY_STOP, "Sto&p" + blanks(32) + "Alt+P", true, false},
        {ID_VIEW_ASYNC, "&Asynchrone View" + blanks(5) + "Alt+A", true, true},
        {ID_VIEW_SYNC, "S&ynchrone View" + blanks(7) + "Alt+Y", true, false},
        {ID_TOOLS_MIRVAN, "MIRVAN", false, false},
        {ID_VIEW_TOOLBAR, "&Symbolic Bar", true, true},
        {ID_VIEW_STATUS_BAR, "S&tatus Bar", true, true},
        {ID_MANUAL, "&Manual", false, false},
        {ID_APP_ABOUT,
         QString::fromUtf8("Inf&o \xC3\xBC"
                           "ber KORVEL"),
         false, false},
    };
    for (const auto& item : items) {
        QAction* a = frame().action(item.id);
        ASSERT_NE(a, nullptr) << item.id;
        EXPECT_EQ(a->text(), item.text) << item.id;
        EXPECT_EQ(a->isCheckable(), item.checkable) << item.id;
        EXPECT_EQ(a->isChecked(), item.checked) << item.id;
        EXPECT_TRUE(a->isEnabled()) << item.id;
    }
    QStringList popups;
    for (QAction* a : frame().menuBar()->actions()) popups << a->text();
    EXPECT_EQ(popups, QStringList({"&File", "&Vorlex Parameter", "&Tools", "&View", "&?"}));
    EXPECT_EQ(session().async_view, 1);
    EXPECT_EQ(session().playback_running, 0);
    EXPECT_TRUE(frame().windowTitle().startsWith("PLUVARIC   KORVEL      "));
    EXPECT_TRUE(frame().windowTitle().endsWith("   "));
}

TEST_F(ShellTest, PlaybackCommandsSetFlagsAndCheckMarks) {
    const struct {
        int id;
        bool start, stop, async, sync;
        int running, async_view, sync_view, view_switch;
    } steps[] = {
        {ID_PLAY_START, true, false, true, false, 1, 1, 0, 2},
        {ID_VIEW_SYNC, true, false, false, true, 1, 0, 1, 1},
        {ID_PLAY_STOP, false, true, false, true, 0, 0, 1, 1},
        {ID_VIEW_ASYNC, false, true, true, false, 0, 1, 0, 2},
    };
    for (const auto& s : steps) {
        frame().action(s.id)->trigger();
        EXPECT_EQ(frame().action(ID_PLAY_START)->isChecked(), s.start) << s.id;
        EXPECT_EQ(frame().action(ID_PLAY_STOP)->isChecked(), s.stop) << s.id;
        EXPECT_EQ(frame().action(ID_VIEW_ASYNC)->isChecked(), s.async) << s.id;
        EXPECT_EQ(frame().action(ID_VIEW_SYNC)->isChecked(), s.sync) << s.id;
        EXPECT_EQ(session().playback_running, s.running) << s.id;
        EXPECT_EQ(session().async_view, s.async_view) << s.id;
        EXPECT_EQ(session().sync_view, s.sync_view) << s.id;
        EXPECT_EQ(session().view_switch, s.view_switch) << s.id;
    }
}

TEST_F(ShellTest, AcceleratorsRunTheirCommandsWithoutPausing) {
    show_frame();
    QTest::keyClick(&frame(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(session().playback_running, 1);
    EXPECT_TRUE(frame().action(ID_PLAY_START)->isChecked());
    QTest::keyClick(&frame(), Qt::Key_Y, Qt::AltModifier);
    EXPECT_EQ(session().sync_view, 1);
    EXPECT_EQ(session().playback_running, 1);  // a view switch by key does not pause
    QTest::keyClick(&frame(), Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(session().async_view, 1);
    QTest::keyClick(&frame(), Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(session().playback_running, 0);
    EXPECT_TRUE(frame().action(ID_PLAY_STOP)->isChecked());
}

TEST_F(ShellTest, OpeningAMenuPausesPlaybackButKeepsTheCheckMarks) {
    show_frame();
    frame().action(ID_PLAY_START)->trigger();
    QMenu* file = frame().file_menu();
    file->popup(frame().mapToGlobal(QPoint(10, 10)));
    EXPECT_EQ(session().playback_running, 0);
    file->hide();
    EXPECT_EQ(session().playback_running, 0);
    EXPECT_TRUE(frame().action(ID_PLAY_START)->isChecked());
    QTest::keyClick(&frame(), Qt::Key_S, Qt::AltModifier);  // Alt+S resumes
    EXPECT_EQ(session().playback_running, 1);
}

TEST_F(ShellTest, ChoosingStartFromTheMenuLeavesPlaybackRunning) {
    show_frame();
    QMenu* play = nullptr;
    for (QObject* o : frame().action(ID_PLAY_START)->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(o)) play = menu;
    }
    ASSERT_NE(play, nullptr);
    play->popup(frame().mapToGlobal(QPoint(10, 10)));
    QTest::keyClick(play, Qt::Key_S);  // the item's mnemonic: the menu closes, then Start runs
    EXPECT_FALSE(play->isVisible());
    EXPECT_EQ(session().playback_running, 1);
    play->popup(frame().mapToGlobal(QPoint(10, 10)));
    QTest::keyClick(play, Qt::Key_A);  // any other item leaves playback paused
    EXPECT_EQ(session().playback_running, 0);
    EXPECT_TRUE(frame().action(ID_PLAY_START)->isChecked());
}

TEST_F(ShellTest, CtrlOOpensOnlyWhileNoFileIsOpenButTheMenuSaysWhy) {
    const std::string path = make_recording("small.ab", 3);
    show_frame();
    runner.file_to_choose = QString::fromStdString(path);
    QTest::keyClick(&frame(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_NE(session().open_document, nullptr);
    ASSERT_EQ(runner.shown.size(), 2u);  // the file dialog and the Start Time dialog
    EXPECT_EQ(runner.shown[0].kind, "QFileDialog");
    EXPECT_EQ(runner.shown[1].kind, "korvel::CStartTimeDlg");

    QTest::keyClick(&frame(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(runner.shown.size(), 2u);  // nothing at all
    frame().action(ID_FILE_OPEN_DATA)->trigger();
    ASSERT_EQ(runner.shown.size(), 3u);
    EXPECT_EQ(runner.shown[2].text, "File already opened \nFirst close it !!!");
}

TEST_F(ShellTest, EscEndsTheProgram) {
    show_frame();
    QTest::keyClick(&frame(), Qt::Key_Escape);
    EXPECT_FALSE(frame().isVisible());
    EXPECT_EQ(app->exit_status(), 0);
}

TEST_F(ShellTest, ToolbarHasOpenAndInfoWithTheirTooltips) {
    QStringList tips;
    for (QAction* a : frame().tool_bar()->actions()) {
        if (!a->isSeparator() && !a->toolTip().isEmpty()) tips << a->toolTip();
    }
    ASSERT_GE(tips.size(), 2);
    EXPECT_EQ(tips[0], QString::fromUtf8("\xC3\x96"
                                         "ffnen"));
    EXPECT_EQ(tips[1], "Info");
    // Playing is found on the toolbar, by the menu's own Start and Stop and their check marks.
    const QList<QAction*> buttons = frame().tool_bar()->actions();
    EXPECT_TRUE(buttons.contains(frame().action(ID_PLAY_START)));
    EXPECT_TRUE(buttons.contains(frame().action(ID_PLAY_STOP)));
    EXPECT_TRUE(frame().file_menu()->actions().contains(frame().action(ID_FILE_SAVE_PICTURE)));
    EXPECT_TRUE(frame().file_menu()->actions().contains(frame().action(ID_FILE_PRINT)));
    frame().action(ID_VIEW_TOOLBAR)->trigger();
    EXPECT_TRUE(frame().tool_bar()->isHidden());
    EXPECT_FALSE(frame().action(ID_VIEW_TOOLBAR)->isChecked());
}

TEST_F(ShellTest, SpeedSelectorSetsTheStepsPerTick) {
    const struct {
        const char* label;
        int steps;
    } table[] = {{"x2", 2},  {"x50", 50}, {"real time", PlaybackController::kRealTimeSteps},
                 {"max", 0}, {"x1", 1},   {"x200", 200}};
    for (const auto& row : table) {
        const int index = frame().speed_selector()->findText(row.label);
        ASSERT_GE(index, 0) << row.label;
        frame().speed_selector()->setCurrentIndex(index);
        EXPECT_EQ(frame().playback()->steps_per_tick(), row.steps) << row.label;
    }
}

// Tools > MIRVAN: the companion viewer started on the open recording at the time playback
// has reached, and with nothing when no recording is open (both shown by CompanionTest).
TEST(CompanionViewer, ArgumentsNameTheRecordAndTheTimeOfDay) {
    const struct {
        std::string path;
        double seconds;
        QStringList args;
    } cases[] = {
        {"/d/rain.ab", 86400, {"--", "/d/rain.ab"}},  // not a time of day: from the start
        {"/d/rain.ab", NAN, {"--", "/d/rain.ab"}},
        {"/d/\xff.ab", 10, {}},  // not UTF-8: no command line carries it unchanged
    };
    for (const auto& c : cases) {
        EXPECT_EQ(companion_arguments(c.path, c.seconds), c.args) << c.path << " " << c.seconds;
    }
}

class CompanionTest : public ShellTest {
  protected:
    // A stand-in "mirvan" on PATH that writes its arguments, one a line, to args.txt.
    void SetUp() override {
        ShellTest::SetUp();
        const std::string script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + dir.file("a.tmp") +
                                   " && /bin/mv " + dir.file("a.tmp") + " " + args_ + "\n";
        write_text_file(dir.file("mirvan"), script);
        QFile::setPermissions(QString::fromStdString(dir.file("mirvan")),
                              QFile::ReadOwner | QFile::ExeOwner);
        qputenv("PATH", QByteArray::fromStdString(dir.path()));
    }
    void TearDown() override {
        qputenv("PATH", old_path_);
        ShellTest::TearDown();
    }
    // Tools > MIRVAN; the arguments the stand-in got, once it has run.
    QStringList started_with() {
        frame().action(ID_TOOLS_MIRVAN)->trigger();
        QFile f(QString::fromStdString(args_));
        EXPECT_TRUE(QTest::qWaitFor([&] { return f.exists(); }, 10000) &&
                    f.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        f.remove();
        return lines;
    }

  private:
    const QByteArray old_path_ = qgetenv("PATH");
    const std::string args_ = dir.file("args.txt");
};

TEST_F(CompanionTest, MirvanOpensTheRecordingAtTheCurrentTime) {
    EXPECT_EQ(started_with(), QStringList());

    const std::string path = make_recording("rain.ab", 90, 20);
    open_through_menu(path, QTime(12, 0, 30));
    // Before the first step: the start time.
    EXPECT_EQ(started_with(),
              QStringList({"--time", "12:00:30", "--", QString::fromStdString(path)}));

    // Once played, where camera A stands.
    session().decode_context->m_oldA = (13 * 3600 + 5 * 60 + 7.5) * session().line_rate;
    EXPECT_EQ(started_with().mid(0, 2), QStringList({"--time", "13:05:07"}));
}

}  // namespace
}  // namespace korvel::test
