// The overview window in the real main window: its menu item and button, the computation in
// the background with its progress, its cancelling (never waiting for a stuck worker), the
// click that plays from a minute, its size on a small screen and korvel-replay's same picture.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QToolBar>
#include <algorithm>
#include <atomic>
#include <cstdio>

#include "display/qt/overview/overview_painter.h"
#include "display/qt/playback_controller.h"
#include "display/qt/vorlex_view.h"
#include "shell/command_ids.h"
#include "shell/overview_chart.h"
#include "shell/overview_window.h"
#include "shell_fixture.h"
#include "support/replay_runner.h"

namespace korvel::test {
namespace {

class OverviewTest : public ShellTest {
  protected:
    // Opens path at 12:00 and asks for its overview; returns the window.
    OverviewWindow* open_overview(const std::string& path) {
        open_through_menu(path, QTime(12, 0, 0));
        EXPECT_NE(session().open_document, nullptr);
        frame().action(ID_VIEW_OVERVIEW)->trigger();
        OverviewWindow* w = frame().overview_window();
        EXPECT_NE(w, nullptr);
        return w;
    }
    // Shows the window laid out at a size that gives every minute of the day a pixel or more.
    void show_window(OverviewWindow* w) {
        w->resize(1800, 400);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        QTest::qWait(20);
        ASSERT_GT(w->chart()->width(), 1440 + 80);
    }
    bool wait_until_done(OverviewWindow* w, int ms = 60000) {
        QSignalSpy finished(w, &OverviewWindow::finished);
        return w->computing() ? finished.wait(ms) : true;
    }
};

TEST_F(OverviewTest, TheViewMenuAndTheToolbarOfferTheOverview) {
    QStringList texts;
    for (QAction* a : frame().view_menu()->actions()) texts << a->text();
    EXPECT_EQ(texts, QStringList({"&Symbolic Bar", "S&tatus Bar", "&Overview"}));
    const auto buttons = frame().tool_bar()->actions();
    EXPECT_TRUE(std::any_of(buttons.begin(), buttons.end(),
                            [](QAction* a) { return a->data().toInt() == ID_VIEW_OVERVIEW; }));
    // Without an open recording there is nothing to show.
    frame().action(ID_VIEW_OVERVIEW)->trigger();
    EXPECT_EQ(frame().overview_window(), nullptr);
    EXPECT_EQ(frame().message_pane()->text(), "Open a recording first: the overview shows it.");
}

TEST_F(OverviewTest, TheOverviewCountsWhatPlaybackCountsAndShowsProgress) {
    const std::string path = make_recording("rain.ab", 150, 30);
    OverviewWindow* w = open_overview(path);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(wait_until_done(w));
    EXPECT_EQ(w->progress_bar()->value(), w->progress_bar()->maximum());
    const MinuteStatistics* shown = w->chart()->statistics();
    ASSERT_NE(shown, nullptr) << w->status_label()->text().toStdString();

    const auto expected = day_statistics_of(path, session().work_dir);
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(shown->minutes(), expected->minutes());
    // 12:00:00 for 150 s: minutes 720 to 722.
    ASSERT_EQ(shown->minutes().size(), 3u);
    EXPECT_EQ(shown->minutes().begin()->first, 720);
    EXPECT_GT(shown->totals().pairs, 0);
    // The first size fits the 800x600 offscreen screen, and korvel-replay --overview draws what
    // the window first shows (ten minutes, not the day).
    EXPECT_EQ(w->size().boundedTo(w->screen()->availableGeometry().size()), w->size());
    const std::string png = dir.file("rain.png");
    const ProgramRun run =
        run_program(std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay",
                    {"--overview", png, "--size", "900x300", path});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(
        QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32),
        overview_image(*shown, "rain.ab  particles per minute", QSize(900, 300), w->chart()->span())
            .convertToFormat(QImage::Format_RGB32));

    // The pointer names the minute under it.
    show_window(w);
    // A move as the window system delivers it (QTest::mouseMove does not reach the widget on
    // the offscreen platform).
    const QPointF at = w->chart()->point_of(721);
    QMouseEvent move(QEvent::MouseMove, at, w->chart()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w->chart(), &move);
    EXPECT_EQ(w->chart()->marked_minute(), 721);
}

TEST_F(OverviewTest, AClickReopensTheRecordingAtThatMinuteAndPlays) {
    const std::string path = make_recording("click.ab", 150, 30);
    OverviewWindow* w = open_overview(path);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(wait_until_done(w));
    show_window(w);
    frame().action(ID_PLAY_STOP)->trigger();
    const size_t dialogs = runner.shown.size();
    const double lines_before = session().total_lines_a;

    // The read positions are taken the moment the reopen is done: playback runs on while the
    // test waits, and a busy machine may well get a step in before the wait returns.
    long long pos_a = -1, pos_b = -1, minute_a = 0, minute_b = 0;
    QSignalSpy clicked(w->chart(), &OverviewChart::minuteClicked);
    QObject::connect(w->chart(), &OverviewChart::minuteClicked, w, [&] {
        pos_a = session().pos_a;
        pos_b = session().pos_b;
        minute_a = session().minute_pos_a[721];
        minute_b = session().minute_pos_b[721];
    });
    QTest::mouseClick(w->chart(), Qt::LeftButton, {}, w->chart()->point_of(721));
    ASSERT_TRUE(clicked.count() == 1 || clicked.wait(3000));  // after the double-click interval
    ASSERT_NE(session().open_document, nullptr);
    EXPECT_EQ(runner.shown.size(), dialogs);  // no dialog asked anything
    EXPECT_EQ(session().start_seconds, 721 * 60);
    EXPECT_EQ(pos_a, minute_a);
    EXPECT_EQ(pos_b, minute_b);
    EXPECT_EQ(session().playback_running, 1);
    EXPECT_EQ(frame().overview_window(), w);  // the overview stays for further jumps

    QSignalSpy stepped(frame().playback(), &PlaybackController::stepped);
    ASSERT_TRUE(stepped.wait(3000));
    EXPECT_GE(session().total_lines_a, lines_before);  // totals count on across the reopen
    // Camera A plays from 12:01.
    EXPECT_TRUE(frame().position_field()->text().startsWith("A 12:01:"))
        << frame().position_field()->text().toStdString();
}

TEST_F(OverviewTest, CloseFileCancelsAComputationStillRunning) {
    const std::string path = make_recording("long.ab", 3600, 100);
    OverviewWindow* w = open_overview(path);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->computing());
    frame().action(ID_FILE_CLOSE_DATA)->trigger();
    EXPECT_FALSE(w->computing());
    EXPECT_EQ(w->chart()->statistics(), nullptr);
    EXPECT_EQ(w->status_label()->text(), "The overview was cancelled.");
}

TEST_F(OverviewTest, ClosingTheWindowStopsTheComputation) {
    const std::string path = make_recording("long.ab", 3600, 100);
    QPointer<OverviewWindow> w = open_overview(path);
    ASSERT_TRUE(w);
    ASSERT_TRUE(w->computing());
    QElapsedTimer clock;
    clock.start();
    w->close();  // deletes itself once the worker has stopped
    QTest::qWait(50);
    EXPECT_TRUE(w.isNull());
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST_F(OverviewTest, ClosingNeverWaitsForAWorkerStuckInARead) {
    std::atomic<bool> started{false}, released{false}, ended{false};
    QPointer<OverviewWindow> w = new OverviewWindow(
        "/nowhere/rain.ab", OverviewWindow::Computation([&](DayStatisticsProgress& progress) {
            started = true;
            while (!released) QThread::msleep(1);
            ended = !progress.keep_going(1, 2);  // it is told to stop
            return OverviewResult{};
        }));
    w->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.load(); }, 10000));
    QElapsedTimer clock;
    clock.start();
    w->close();
    EXPECT_LT(clock.elapsed(), 1000);
    QTest::qWait(20);
    EXPECT_TRUE(w.isNull());  // deleted on close, its worker still running
    released = true;
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
    EXPECT_TRUE(ended);
}

// The playback's pace while the overview is computed is measured by the benchmark program
// korvel_overview_pace (bench/qt/overview_pace.cpp): wall-clock gaps are no test's business
// on a machine shared with other work.

}  // namespace
}  // namespace korvel::test
