#pragma once

#include <QString>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "statistics/minute_statistics.h"

class QByteArray;
class QLabel;
class QProgressBar;
class QThread;
class QTimer;

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
    bool cut_at_end = false;  // the count stopped before a record still being written
};
OverviewResult compute_overview(const std::string& path, const std::string& work_dir,
                                FileOpener& opener, DayStatisticsProgress& progress) noexcept;

// The overview of one recording: its per-minute statistics computed on a thread of its own,
// with a progress bar, while the main window goes on playing, then shown as the day's
// timeline. A click on a minute asks (minuteChosen) for the recording to be played from
// there. Closing the window stops a computation still running; so does cancel(), which the
// main window calls when the file is closed or another one is opened. The computation opens
// the files afresh, read-only, and shares nothing with the playback.
class OverviewWindow : public QWidget {
    Q_OBJECT
  public:
    enum class Outcome { computing, done, cancelled, failed };

    // path: the recording's bytes as the system gave them.
    OverviewWindow(std::string path, std::string work_dir, QWidget* parent = nullptr);
    ~OverviewWindow() override;

    const std::string& path() const { return path_; }
    bool computing() const;
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
    // The status line's words for a recording still being written; empty for a finished one.
    QString growing_note(bool cut_at_end) const;
    void start();
    void poll();
    void stop_worker();

    std::string path_;
    std::string work_dir_;
    Outcome outcome_ = Outcome::computing;
    OverviewChart* chart_;
    QProgressBar* progress_;
    QLabel* status_;
    QTimer* poll_timer_;
    QThread* worker_ = nullptr;

    // Shared with the worker thread.
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> done_{0};
    std::atomic<uint64_t> total_{0};
    std::mutex result_mutex_;
    std::unique_ptr<MinuteStatistics> result_;
    std::string error_;
    bool cut_at_end_ = false;  // the count stopped before a record still being written
};

}  // namespace korvel
