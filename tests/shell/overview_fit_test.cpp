// The Overview on a small screen and of a short recording: the window within the screen with
// its legend, the picture korvel-replay draws the same as the window's, and a close that
// never waits for the worker.
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <atomic>
#include <future>

#include "display/qt/overview/overview_painter.h"
#include "shell/overview_window.h"
#include "shell_fixture.h"
#include "support/replay_runner.h"

namespace korvel::test {
namespace {

// A two-minute recording: the window within the 800x600 offscreen screen, korvel-replay
// --overview drawing what the window first shows (ten minutes, not the day), and the counts of
// a minute under the pointer shortened, at the chart's least width, before the legend, which
// keeps all three colours.
TEST_F(ShellTest, TheOverviewFitsASmallScreenAndKorvelReplayDrawsItsPicture) {
    const std::string path = make_recording("two.ab", 120, 30);
    auto* w = new OverviewWindow(path, session().work_dir);
    QSignalSpy finished(w, &OverviewWindow::finished);
    ASSERT_TRUE(finished.wait(30000));
    ASSERT_EQ(w->outcome(), OverviewWindow::Outcome::done);
    EXPECT_EQ(w->size().boundedTo(w->screen()->availableGeometry().size()), w->size());
    w->close();

    const std::string png = dir.file("two.png");
    const ProgramRun run =
        run_program(std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay",
                    {"--overview", png, "--size", "900x300", path});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto stats = day_statistics_of(path, session().work_dir);
    const QString title = "two.ab  particles per minute";
    EXPECT_EQ(QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32),
              overview_image(*stats, title, QSize(900, 300), fitted_span(*stats))
                  .convertToFormat(QImage::Format_RGB32));

    for (const int width : {480, 800}) {
        QImage image(width, 200, QImage::Format_RGB32);
        QPainter p(&image);
        paint_overview(p, width, 200, *stats, title, int64_t{721}, fitted_span(*stats));
        p.end();
        const int row = static_cast<int>(OverviewLayout::kTopMargin / 2);
        int legend = -1, colours = 0;
        for (int x = 0; x < width; ++x) {
            const QRgb c = image.pixel(x, row);
            const bool grey = qRed(c) == qGreen(c) && qGreen(c) == qBlue(c);
            if (!grey && (x == 0 || image.pixel(x - 1, row) != c) && ++colours == 1) legend = x;
        }
        EXPECT_EQ(colours, 3) << width;
        ASSERT_GT(legend, 100) << width;
        QImage white(6, 2 * row - 4, QImage::Format_RGB32);  // the title band, 2 px inset
        white.fill(Qt::white);
        EXPECT_EQ(image.copy(legend - 6, 2, 6, 2 * row - 4), white) << width;
    }
}

TEST_F(ShellTest, ClosingTheOverviewNeverWaitsForItsWorker) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> started{false}, ended{false};
    QPointer<OverviewWindow> w = new OverviewWindow(
        "/nowhere/rain.ab",
        OverviewWindow::Computation([released, &started, &ended](DayStatisticsProgress& progress) {
            started = true;
            released.wait();                     // a worker stuck in a slow read
            ended = !progress.keep_going(1, 2);  // it is told to stop
            return OverviewResult{};
        }));
    w->show();
    ASSERT_TRUE(w->computing());
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.load(); }, 10000));
    QElapsedTimer clock;
    clock.start();
    w->close();
    EXPECT_LT(clock.elapsed(), 1000);
    QTest::qWait(20);
    EXPECT_TRUE(w.isNull());  // deleted on close, its worker still running
    release.set_value();
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(10000));
    EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace korvel::test
