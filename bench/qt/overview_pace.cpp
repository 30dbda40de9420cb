// How the playback keeps its pace while the overview of the same recording is computed on its
// own thread: korvel's main window opens FILE.ab at 12:00:00, plays it, opens the overview and
// notes the gaps between the ticks that ran a playback step until the overview is done. The
// timer ticks every 200 ms; computing on the playback's thread would stall it for as long as
// the computation takes. Wall-clock figures: run it on a quiet machine.
//   korvel_overview_pace FILE.ab [OUT.png]
// (abgen --duration 3600 --drops-per-second 100 makes one). With OUT.png the overview window,
// once computed, is also written there as the screen shows it.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTest>
#include <QTime>
#include <QTimeEdit>
#include <algorithm>
#include <cstdio>

#include "display/qt/playback_controller.h"
#include "shell/command_ids.h"
#include "shell/command_line.h"
#include "shell/dialog_runner.h"
#include "shell/main_frame.h"
#include "shell/overview_window.h"
#include "shell/start_time_dlg.h"
#include "shell/vorlex_app.h"

namespace {

// Answers the Start Time dialog with 12:00:00; every other dialog is accepted as it comes.
class NoonRunner : public korvel::DialogRunner {
  public:
    int run(QDialog& dialog, const QString& text) override {
        if (!text.isEmpty()) std::fprintf(stderr, "korvel: %s\n", text.toUtf8().constData());
        if (auto* start = qobject_cast<korvel::CStartTimeDlg*>(&dialog)) {
            start->time_edit()->setTime(QTime(12, 0, 0));
        }
        return QDialog::Accepted;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: korvel_overview_pace FILE.ab [OUT.png]\n");
        return 2;
    }
    const QString grab_to = argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    argc = 2;
    NoonRunner runner;
    korvel::DialogRunner::install(&runner);
    korvel::CVorlex_2App app;
    korvel::StartOptions options = korvel::parse_command_line(argc, argv);
    options.show_splash = false;
    if (!app.InitInstance(options) || app.session().open_document == nullptr) return 1;
    korvel::CMainFrame& frame = *app.frame();
    frame.action(korvel::ID_VIEW_OVERVIEW)->trigger();
    korvel::OverviewWindow* overview = frame.overview_window();
    if (overview == nullptr) return 1;
    frame.action(korvel::ID_PLAY_START)->trigger();

    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    int ticks = 0;
    QObject::connect(frame.playback(), &korvel::PlaybackController::stepped, [&] {
        const qint64 now = clock.elapsed();
        if (ticks++ > 0) longest = std::max(longest, now - last);
        last = now;
    });
    while (overview->computing() && clock.elapsed() < 600000) QTest::qWait(20);
    std::printf(
        "overview computed in %lld ms; %d ticks ran steps meanwhile, the longest gap "
        "between two of them %lld ms (the timer's period is 200 ms)\n",
        static_cast<long long>(clock.elapsed()), ticks, static_cast<long long>(longest));
    if (!grab_to.isEmpty()) {
        overview->show();
        QTest::qWait(300);
        if (!overview->grab().save(grab_to, "PNG")) {
            std::fprintf(stderr, "could not write %s\n", argv[2]);
            return 1;
        }
    }
    return ticks >= 2 ? 0 : 1;
}
