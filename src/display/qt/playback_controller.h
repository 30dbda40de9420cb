#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include "playback/document.h"
#include "playback/player.h"
#include "playback/real_time_pace.h"

namespace korvel {

class CVorlex_2View;

// The viewer's playback timer: every 200 ms a tick runs the player's steps on the view's
// drawing, under may_step and a re-entrancy guard (no step starts while another, or a message
// box opened inside one, runs), and turns what they came to into the status bar's signals.
// The widget only draws.
class PlaybackController : public QObject {
    Q_OBJECT
  public:
    PlaybackController(Player& player, Document& doc, CVorlex_2View& view,
                       QObject* parent = nullptr);

    // 1 (default) = one step a tick; 0 = "max": steps until about 150 ms of the tick are used;
    // kRealTimeSteps: as many steps as keep the recording's own pace (within the same 150 ms).
    static constexpr int kRealTimeSteps = -1;
    void set_steps_per_tick(int n);
    int steps_per_tick() const { return steps_per_tick_; }
    // What a tick of the timer does; public so that tests can drive playback without waiting.
    void run_tick();
    // No tick runs from now on (Exit).
    void stop();

  signals:
    void fatalError(const QString& text);  // a step raised FatalError; the timer is already stopped
    // Playback has read all there is (both cameras at the file's end, or a step waiting at a
    // record cut by the end). endOfFile: the file is not growing (or it shrank);
    // waitingForData: it grew lately, so more is to come. dataArrived: playback reads again.
    // Each once per change.
    void endOfFile();
    void waitingForData();
    void dataArrived();
    void stepped();  // after each tick that ran at least one step
    // Open waits for a recording still being created (open_waiting): every tick asks for
    // another look, whether playback runs or not, with no step running meanwhile.
    void openWaiting();

  private:
    bool more_steps(int ran, const QElapsedTimer& clock);  // another step in this tick?
    // At "max" a tick that used its time follows the last straight on, once the events
    // waiting (the repaint, the user's input) are handled, where the rest of the 200 ms would
    // leave the steps idle; every other tick, and one that stepped no further, keeps 200 ms.
    void pace_next_tick(bool straight_on);
    void report(StepAnswer answer);

    Player& player_;
    Document& doc_;
    CVorlex_2View& view_;
    QTimer timer_;
    int steps_per_tick_ = 1;
    RealTimePace pace_;
    QElapsedTimer pace_clock_;
    bool in_tick_ = false;
    enum class EndState { playing, waiting, end };
    EndState end_state_ = EndState::playing;
};

}  // namespace korvel
