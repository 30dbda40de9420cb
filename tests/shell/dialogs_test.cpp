// About, the manual window and the splash screen.
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <QLabel>

#include "display/qt/vorlex_view.h"
#include "shell/about_dlg.h"
#include "shell/command_ids.h"
#include "shell/manual_window.h"
#include "shell/startup_splash.h"
#include "shell_fixture.h"

namespace korvel::test {
namespace {

TEST_F(ShellTest, AboutPausesPlaybackAndOkResumesIt) {
    const struct {
        bool ok;
        int running_before;
        int running_after;
    } table[] = {{true, 1, 1}, {true, 0, 1}, {false, 1, 0}, {false, 0, 0}};
    // The check marks follow the flag the box leaves.
    for (const auto& row : table) {
        session().playback_running = row.running_before;
        runner.accept_about = row.ok;
        runner.shown.clear();
        frame().action(ID_APP_ABOUT)->trigger();
        ASSERT_EQ(runner.shown.size(), 1u);
        EXPECT_EQ(runner.shown[0].kind, "korvel::CAboutDlg");
        EXPECT_EQ(runner.shown[0].playback_running, 0);  // paused while the box is up
        EXPECT_EQ(session().playback_running, row.running_after);
        EXPECT_EQ(frame().action(ID_PLAY_START)->isChecked(), row.running_after == 1);
        EXPECT_EQ(frame().action(ID_PLAY_STOP)->isChecked(), row.running_after == 0);
    }
}

TEST_F(ShellTest, AboutShowsTheBuildsVersion) {
    CAboutDlg about;
    const auto* notice = about.findChild<QLabel*>("notice");
    ASSERT_TRUE(notice != nullptr);
    EXPECT_TRUE(notice->text().startsWith("Version " KORVEL_VERSION ". ")) << notice->text().toStdString();
}

// The manual's start page lives beside the executable; the test writes one there and takes
// it away again.
class ManualPage {
  public:
    explicit ManualPage(bool present) : dir_(QCoreApplication::applicationDirPath() + "/html_doc") {
        QDir(dir_).removeRecursively();
        if (!present) return;
        QDir().mkpath(dir_);
        QFile page(dir_ + "/korvel.htm");
        page.open(QIODevice::WriteOnly);
        page.write("<html><body><h1>Test manual</h1><a href='keys.htm'>Keys</a></body></html>");
        QFile keys(dir_ + "/keys.htm");
        keys.open(QIODevice::WriteOnly);
        keys.write("<html><body><p>Alt+S starts</p></body></html>");
    }
    ~ManualPage() { QDir(dir_).removeRecursively(); }

  private:
    QString dir_;
};

TEST_F(ShellTest, ManualOpensOnceAndAgainAfterItIsClosed) {
    ManualPage page(true);
    frame().action(ID_MANUAL)->trigger();
    CDispHtml* first = app->manual_window();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), "KORVEL Documentation");
    EXPECT_TRUE(first->manual()->toPlainText().contains("Test manual"));
    // Links of the page are followed inside the window.
    first->manual()->setSource(QUrl("keys.htm"));
    EXPECT_TRUE(first->manual()->toPlainText().contains("Alt+S starts"));

    frame().action(ID_MANUAL)->trigger();
    EXPECT_EQ(app->manual_window(), first);
    int windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) windows += qobject_cast<CDispHtml*>(w) != 0;
    EXPECT_EQ(windows, 1);

    first->close();
    QTRY_VERIFY(app->manual_window() == nullptr);
    frame().action(ID_MANUAL)->trigger();
    EXPECT_NE(app->manual_window(), nullptr);
}

TEST_F(ShellTest, ManualWithoutItsPageIsBlankAndSilent) {
    ManualPage page(false);
    frame().action(ID_MANUAL)->trigger();
    ASSERT_NE(app->manual_window(), nullptr);
    EXPECT_TRUE(app->manual_window()->manual()->toPlainText().isEmpty());
    EXPECT_TRUE(runner.shown.empty());
}

TEST_F(ShellTest, SplashGoesAtTheFirstKeyWhichDoesNothingElse) {
    show_frame();
    CStartupSplash::Enable(true);
    CStartupSplash::ShowFor(&frame());
    ASSERT_NE(CStartupSplash::instance(), nullptr);
    EXPECT_EQ(CStartupSplash::instance()->size(), QSize(544, 272));
    CStartupSplash::ShowFor(&frame());  // never a second one

    QTest::keyClick(&frame(), Qt::Key_Escape);  // would end the program without the splash
    EXPECT_EQ(CStartupSplash::instance(), nullptr);
    EXPECT_TRUE(frame().isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&frame()));
    QTest::keyClick(&frame(), Qt::Key_S, Qt::AltModifier);  // afterwards keys work
    EXPECT_EQ(session().playback_running, 1);
    CStartupSplash::Enable(false);
}

TEST_F(ShellTest, SplashGoesAtAMouseClickAndByItself) {
    show_frame();
    CStartupSplash::Enable(true);
    CStartupSplash::ShowFor(&frame());
    ASSERT_NE(CStartupSplash::instance(), nullptr);
    QTest::mouseClick(frame().view(), Qt::LeftButton);
    EXPECT_EQ(CStartupSplash::instance(), nullptr);

    // Shown at most once per run is the frame's business; here a fresh one times out.
    CStartupSplash::ShowFor(&frame());
    ASSERT_NE(CStartupSplash::instance(), nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(CStartupSplash::instance() == nullptr, 3000);
    CStartupSplash::Enable(false);
}

TEST_F(ShellTest, TheStartTimeDialogGetsEveryKeyAndNamesTheRecordedTimes) {
    const std::string path = make_recording("rain.ab", 130);  // 12:00:00 to 12:02:10
    runner.typed = "120000";
    CStartupSplash::Enable(true);
    CStartupSplash::ShowFor(&frame());  // as at start-up, with a file named
    app->open_existing(path);
    CStartupSplash::Enable(false);
    EXPECT_EQ(CStartupSplash::instance(), nullptr);
    EXPECT_EQ(session().start_seconds, 12 * 3600);  // not 20:00:0x, its first key lost
    EXPECT_TRUE(runner.start_hint.startsWith(
        "This recording holds records from 12:00:00 to 12:02:59.\nType the start time as hhmmss"))
        << runner.start_hint.toStdString();
}

TEST_F(ShellTest, DisabledSplashIsNeverShown) {
    CStartupSplash::Enable(false);
    CStartupSplash::ShowFor(&frame());
    EXPECT_EQ(CStartupSplash::instance(), nullptr);
}

}  // namespace
}  // namespace korvel::test
