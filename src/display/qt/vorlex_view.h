#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <QWidget>

#include "display/display_view.h"
#include "display/qt/qt_canvas.h"
#include "playback/document.h"
#include "playback/playback_session.h"
#include "playback/real_time_pace.h"

namespace korvel {

// The viewer's one view window. It keeps the picture in a backing image of its client size,
// so a window that is covered and uncovered shows it again; only a change of size clears it,
// since the drawing frame changes with the size. Timer 1 drives playback.
class CVorlex_2View : public QWidget {
    Q_OBJECT
  public:
    // Starts the playback timer (200 ms); each tick runs playback steps under playback_step_may_run
    // and a re-entrancy guard (no step starts while another, or a message box opened inside one,
    // runs).
    CVorlex_2View(PlaybackSession& session, Document& doc, QWidget* parent = nullptr);

    // 1 (default) = one step a tick; 0 = "max": steps until about 150 ms of the tick are used;
    // kRealTimeSteps: as many steps as keep the recording's own pace (within the same 150 ms).
    static constexpr int kRealTimeSteps = -1;
    void set_steps_per_tick(int n);
    int steps_per_tick() const { return steps_per_tick_; }
    // The backing image as shown: device pixels, with its device pixel ratio.
    QImage picture() const;
    // Exit: stop the timer, close data and index files, close the main window.
    void exit_command();
    // What a tick of the playback timer does; public so that tests can drive playback without
    // waiting.
    void run_tick();
    // The drawing the playback steps of this view go to.
    PlaybackView& playback_view() { return display_; }

  signals:
    void fatalError(const QString& text);  // a step raised FatalError; the timer is already stopped
    // Playback has read all there is (both cameras at the file's end, or a step waiting at a
    // record cut by the end). endOfFile: the file has not grown for 10 s; waitingForData: it
    // has, so more is to come. dataArrived: playback reads again. Each once per change.
    void endOfFile();
    void waitingForData();
    void dataArrived();
    void stepped();    // after each tick that ran at least one step
    // Open waits for a recording still being created (open_waiting): every tick asks for
    // another look, whether playback runs or not, with no step running meanwhile.
    void openWaiting();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    QSize device_size() const;
    void fit_canvas();  // a new size (or pixel ratio) starts a new, empty picture
    bool at_end_of_data() const;
    bool more_steps(int ran, const QElapsedTimer& clock);  // another step in this tick?
    void show_changes();  // asks for a repaint of what the canvas changed

    PlaybackSession& session_;
    Document& doc_;
    // Looking at the picture completes the status rows the canvas draws late, so even the
    // const picture() changes the canvas's state (not what it shows).
    mutable QtCanvas canvas_;
    DisplayView display_;
    int m_timerId = 0;
    int steps_per_tick_ = 1;
    RealTimePace pace_;
    QElapsedTimer pace_clock_;
    bool in_step_ = false;
    enum class EndState { playing, waiting, end };
    void report_end_state();
    EndState end_state_ = EndState::playing;
};

}  // namespace korvel
