#pragma once

#include <QFutureWatcher>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "statistics/minute_statistics.h"

class QByteArray;
class QLabel;
class QProgressBar;

namespace korvel {

class OverviewChart;
class FileOpener;
class DayStatisticsProgress;

// What a computation of the overview came to: the statistics, or the reason it failed (empty
// for a cancelled one). Whatever it throws is caught here, at the edge of its thread, and
// counts as a failure of this computation, never of the program.
struct OverviewResult {
    std::unique_ptr<MinuteStatistics> stats;
    std::string error;
    // The count stopped before a record still being written, or saw the file grow lately.
    bool still_written = false;
};
OverviewResult compute_overview(const std::string& path, const std::string& work_dir,
                                FileOpener& opener, DayStatisticsProgress& progress) noexcept;

// The overview of one recording: its per-minute statistics computed on a worker of the
// thread pool, with a progress bar, while the main window goes on playing, then shown as the
// recording's timeline. The worker's progress and its end reach the window as signals. A
// click on a minute asks (minuteChosen) for the recording to be played from there. Closing
// the window cancels a computation still running without waiting for it: the worker owns
// what it works on and ends on its own soon after. So does cancel(), which the main window
// calls when the file is closed or another one is opened. The computation opens the files
// afresh, read-only, and shares nothing with the playback.
class OverviewWindow : public QWidget {
    Q_OBJECT
  public:
    enum class Outcome { computing, done, cancelled, failed };
    // The work itself, run on the worker: compute_overview of the recording, by default.
    using Computation = std::function<OverviewResult(DayStatisticsProgress&)>;

    // path: the recording's bytes as the system gave them.
    OverviewWindow(std::string path, std::string work_dir, QWidget* parent = nullptr);
    OverviewWindow(std::string path, Computation compute, QWidget* parent = nullptr);
    ~OverviewWindow() override;

    const std::string& path() const { return path_; }
    bool computing() const { return outcome_ == Outcome::computing; }
    Outcome outcome() const { return outcome_; }
    void cancel();  // stops a computation still running; a finished overview stays
    OverviewChart* chart() const { return chart_; }
    QProgressBar* progress_bar() const { return progress_; }
    QLabel* status_label() const { return status_; }

  signals:
    void minuteChosen(const QByteArray& path, qint64 minute);
    void finished();  // the computation ended: done, cancelled or failed

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    using Result = std::shared_ptr<OverviewResult>;
    // The status line's words for a recording still being written; empty for a finished one.
    QString growing_note(bool still_written) const;
    void start(Computation compute);
    void take_result();
    void show_outcome(OverviewResult result);

    std::string path_;
    Outcome outcome_ = Outcome::computing;
    OverviewChart* chart_;
    QProgressBar* progress_;
    QLabel* status_;
    QFutureWatcher<Result>* watcher_;
};

}  // namespace korvel
