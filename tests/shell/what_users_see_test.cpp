// What the user sees says what the program does: the status pane after Ctrl+N, the check
// marks, the overview's time axis and its colours, the window on a small screen, and the
// scripting hook's file dialogs.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <new>

#include "display/qt/overview/overview_painter.h"
#include "shell/command_ids.h"
#include "shell/overview_chart.h"
#include "shell/overview_window.h"
#include "shell_fixture.h"

namespace korvel::test {
namespace {

TEST_F(ShellTest, CtrlNIsToldInThePaneAndTheOverviewHasNoRecording) {
    open_through_menu(make_recording("new.ab", 3), QTime(12, 0, 0));
    show_frame();
    QTest::keyClick(&frame(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(frame().message_pane()->text(),
              "New document: no recording is open, nothing plays. Close the file, then open one.");
    frame().action(ID_VIEW_OVERVIEW)->trigger();
    EXPECT_EQ(frame().overview_window(), nullptr);
    EXPECT_EQ(frame().message_pane()->text(), "Overview: no recording is open.");
}

TEST_F(ShellTest, CheckMarksFollowTheFlagsWhoeverSetsThem) {
    const struct {
        std::function<void()> act;
        bool start, stop, async, sync;
    } steps[] = {
        {[&] { frame().action(ID_APP_ABOUT)->trigger(); }, true, false, true, false},
        {[&] { frame().action(ID_VIEW_SYNC)->trigger(); }, true, false, false, true},
        {[&] { frame().action(ID_VIEW_SYNC)->trigger(); }, true, false, false, true},
        {[&] { frame().set_playback_running(0); }, false, true, false, true},
        {[&] { frame().select_view(false); }, false, true, true, false},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].act();
        EXPECT_EQ(frame().action(ID_PLAY_START)->isChecked(), steps[i].start) << i;
        EXPECT_EQ(frame().action(ID_PLAY_STOP)->isChecked(), steps[i].stop) << i;
        EXPECT_EQ(frame().action(ID_VIEW_ASYNC)->isChecked(), steps[i].async) << i;
        EXPECT_EQ(frame().action(ID_VIEW_SYNC)->isChecked(), steps[i].sync) << i;
    }
    // One action per command: the toolbar's button is the menu's item.
    EXPECT_TRUE(frame().tool_bar()->actions().contains(frame().action(ID_APP_ABOUT)));
}

TEST_F(ShellTest, TheOverviewOfACancelledOrOtherFileIsComputedAfresh) {
    const std::string longer = make_recording("long.ab", 3600, 100);
    open_through_menu(longer, QTime(12, 0, 0));
    frame().action(ID_VIEW_OVERVIEW)->trigger();
    OverviewWindow* first = frame().overview_window();
    ASSERT_NE(first, nullptr);
    frame().action(ID_FILE_CLOSE_DATA)->trigger();  // cancels it
    ASSERT_EQ(first->outcome(), OverviewWindow::Outcome::cancelled);
    open_through_menu(longer, QTime(12, 0, 0));
    frame().action(ID_VIEW_OVERVIEW)->trigger();
    OverviewWindow* second = frame().overview_window();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->outcome(), OverviewWindow::Outcome::computing);
    // Asked again while it computes, the same window comes back.
    frame().action(ID_VIEW_OVERVIEW)->trigger();
    EXPECT_EQ(frame().overview_window(), second);
    second->cancel();
}

TEST(OverviewComputation, AnyExceptionIsAFailureOfTheComputation) {
    class Throwing : public FileOpener {
      public:
        std::unique_ptr<ByteSource> open_read_only(const std::string&, FileError&) override {
            throw std::bad_alloc();
        }
    } opener;
    NoStop progress;
    const OverviewResult result = compute_overview("x.ab", "", opener, progress);
    EXPECT_EQ(result.stats, nullptr);
    EXPECT_EQ(result.error, "not enough memory");
}

// A mouse event as the window system delivers it (QTest does not reach the chart's move and
// wheel handlers on the offscreen platform).
void send_mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void send_wheel(QWidget* w, QPoint at, int delta) {
    QWheelEvent e(QPointF(at), w->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

TEST_F(ShellTest, TheOverviewChartFitsZoomsPansAndComesBackWhole) {
    OverviewChart chart;
    chart.resize(900, 300);
    chart.set_statistics(day_statistics_of(make_recording("short.ab", 150, 30)), "short");
    // 12:00 to 12:59:20 instead: the axis fitted again to its hour, zoomed, panned and whole.
    chart.set_statistics(day_statistics_of(make_recording("hour.ab", 3560)), "hour");
    ASSERT_EQ(chart.span(), (MinuteSpan{720, 780}));

    const QPoint at = chart.point_of(730);
    send_wheel(&chart, at, 3 * 120);  // three notches in
    EXPECT_LT(chart.span().length(), 60);
    EXPECT_EQ(chart.minute_at(at), 730);  // the minute under the pointer stays there
    const MinuteSpan zoomed = chart.span();

    send_mouse(&chart, QEvent::MouseButtonPress, at, Qt::LeftButton);
    send_mouse(&chart, QEvent::MouseMove, at + QPoint(200, 0), Qt::LeftButton);
    send_mouse(&chart, QEvent::MouseButtonRelease, at + QPoint(200, 0), Qt::NoButton);
    EXPECT_LT(chart.span().first, zoomed.first);  // dragged right: earlier minutes show
    EXPECT_EQ(chart.span().length(), zoomed.length());

    QSignalSpy clicked(&chart, &OverviewChart::minuteClicked);
    send_mouse(&chart, QEvent::MouseButtonPress, at, Qt::LeftButton);
    send_mouse(&chart, QEvent::MouseButtonRelease, at, Qt::NoButton);
    send_mouse(&chart, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
    send_mouse(&chart, QEvent::MouseButtonRelease, at, Qt::NoButton);
    EXPECT_EQ(chart.span(), (MinuteSpan{720, 780}));
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    EXPECT_EQ(clicked.count(), 0);  // a double click plays nothing
}

// The legend's swatches stand in the title row, each colour found in the plot. With the counts
// of a minute under the pointer, also at the chart's least width, the title is shortened
// before the legend, which keeps all three swatches and the white before them.
TEST_F(ShellTest, EachCountOfTheOverviewShowsInTheColourOfItsLegend) {
    const auto stats = day_statistics_of(make_recording("two.ab", 120, 30));
    const struct {
        int width;
        std::optional<int64_t> marked;
    } cases[] = {{900, std::nullopt}, {480, 721}, {800, 721}};
    for (const auto& c : cases) {
        QImage image(c.width, 300, QImage::Format_RGB32);
        QPainter p(&image);
        paint_overview(p, c.width, 300, *stats, "two.ab  particles per minute", c.marked,
                       fitted_span(*stats));
        p.end();
        const int legend_y = static_cast<int>(OverviewLayout::kTopMargin / 2);
        std::vector<QRgb> swatches;
        int legend = -1;
        for (int x = 0; x < c.width; ++x) {
            const QRgb colour = image.pixel(x, legend_y);
            const bool grey = qRed(colour) == qGreen(colour) && qGreen(colour) == qBlue(colour);
            if (!grey && (swatches.empty() || swatches.back() != colour)) {
                swatches.push_back(colour);
                if (legend < 0) legend = x;
            }
        }
        ASSERT_EQ(swatches.size(), 3u) << c.width;
        ASSERT_GT(legend, 100) << c.width;
        QImage white(6, 2 * legend_y - 4, QImage::Format_RGB32);  // the title row, 2 px inset
        white.fill(Qt::white);
        EXPECT_EQ(image.copy(legend - 6, 2, 6, 2 * legend_y - 4), white) << c.width;
        for (QRgb colour : swatches) {
            int found = 0;
            for (int y = static_cast<int>(OverviewLayout::kTopMargin) + 1; y < 300 - 31; ++y) {
                for (int x = 57; x < c.width - 25; ++x) found += image.pixel(x, y) == colour;
            }
            EXPECT_GT(found, 20) << c.width << " " << std::hex << colour;
        }
    }
}

TEST_F(ShellTest, TheFirstWindowFitsTheScreen) {
    const QSize available = frame().screen()->availableGeometry().size();
    EXPECT_LE(frame().width(), available.width());
    EXPECT_LE(frame().height(), available.height());
}

TEST(AutoDialogs, AFileDialogTakesKorvelAutoFileOrIsCancelled) {
    AutoAcceptRunner runner;
    const QString from_cwd = QDir::current().absoluteFilePath("picture.png");
    const struct {
        const char* file;
        int result;
        QString chosen;
    } cases[] = {
        {"/tmp/picture.png", QDialog::Accepted, "/tmp/picture.png"},
        {"picture.png", QDialog::Accepted, from_cwd},  // from the working directory
        {"/tmp", QDialog::Rejected, ""},               // a folder is told and cancelled
        {nullptr, QDialog::Rejected, ""},
    };
    for (const auto& c : cases) {
        c.file ? qputenv("KORVEL_AUTO_FILE", c.file) : qunsetenv("KORVEL_AUTO_FILE");
        QFileDialog dialog;
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDirectory("/");                             // not the working directory
        QTimer::singleShot(3000, &dialog, &QDialog::reject);  // a hang fails, not stalls
        EXPECT_EQ(runner.run(dialog, QString()), c.result) << (c.file ? c.file : "unset");
        if (c.result == QDialog::Accepted) {
            EXPECT_EQ(dialog.selectedFiles().value(0), c.chosen);
            // Shown again, its answer having been refused, it is cancelled.
            EXPECT_EQ(runner.run(dialog, QString()), QDialog::Rejected);
        }
    }
    qunsetenv("KORVEL_AUTO_FILE");
}

}  // namespace
}  // namespace korvel::test
