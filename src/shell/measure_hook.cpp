#include "shell/measure_hook.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <cstdio>

#include "display/qt/playback_controller.h"
#include "display/qt/vorlex_view.h"
#include "shell/command_ids.h"
#include "shell/main_frame.h"
#include "shell/vorlex_app.h"

namespace korvel {
namespace {

void report(const char* what, long long value) {
    std::fprintf(stderr, "korvel-measure: %s %lld\n", what, value);
    std::fflush(stderr);
}

class FirstPaint : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Report after the paint itself has run.
            QMetaObject::invokeMethod(
                this, [] { report("first-paint", QDateTime::currentMSecsSinceEpoch()); },
                Qt::QueuedConnection);
        }
        return false;
    }
};

}  // namespace

void install_measure_hook(CVorlex_2App& app) {
    if (qEnvironmentVariable("KORVEL_MEASURE") != QLatin1String("1")) return;
    CMainFrame* frame = app.frame();
    CVorlex_2View* view = frame->view();
    const QString size = qEnvironmentVariable("KORVEL_MEASURE_VIEW");
    const int x = size.indexOf('x');
    if (x > 0) {
        const QSize want(size.left(x).toInt(), size.mid(x + 1).toInt());
        frame->resize(frame->size() + want - view->size());
    }
    if (qEnvironmentVariable("KORVEL_MEASURE_SPEED") == QLatin1String("max")) {
        frame->set_speed(frame->speed_selector()->findText("max"));
    }
    if (qEnvironmentVariable("KORVEL_MEASURE_SELECT") == QLatin1String("sync")) {
        frame->action(ID_VIEW_SYNC)->trigger();
    }
    view->installEventFilter(new FirstPaint);
    auto* clock = new QElapsedTimer;
    PlaybackController* playback = frame->playback();
    QObject::connect(playback, &PlaybackController::stepped, view, [clock] {
        if (clock->isValid()) return;
        clock->start();
        report("first-step", QDateTime::currentMSecsSinceEpoch());
    });
    QObject::connect(playback, &PlaybackController::endOfFile, view, [clock] {
        if (clock->isValid()) report("end-of-file", clock->elapsed());
    });
}

}  // namespace korvel
