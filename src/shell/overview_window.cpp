#include "shell/overview_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPromise>
#include <QScreen>
#include <QThread>
#include <QTime>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

#include <exception>
#include <new>

#include "common/fatal_error.h"
#include "io/disk_file_opener.h"
#include "shell/display_text.h"
#include "shell/overview_chart.h"
#include "statistics/day_statistics.h"

namespace korvel {
namespace {

// Hands the worker's progress to the window through its promise, and the window's wish to
// stop (a cancelled future) back.
class PromiseProgress : public DayStatisticsProgress {
  public:
    explicit PromiseProgress(QPromise<std::shared_ptr<OverviewResult>>& promise)
        : promise_(promise) {}
    bool keep_going(uint64_t done, uint64_t total) override;

  private:
    QPromise<std::shared_ptr<OverviewResult>>& promise_;
};

// The progress bar counts in thousandths: a day's bytes do not fit its int range.
constexpr int kProgressSteps = 1000;

bool PromiseProgress::keep_going(uint64_t done, uint64_t total) {
    if (total > 0) {
        promise_.setProgressValue(static_cast<int>(std::min(done, total) * kProgressSteps / total));
    }
    return !promise_.isCanceled();
}

// The first size of the window, within the screen's room for it.
constexpr QSize kFirstSize(1000, 380);
constexpr QSize kDecoration(16, 48);

QString file_name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return display_text(slash == std::string::npos ? path : path.substr(slash + 1));
}

}  // namespace

OverviewResult compute_overview(const std::string& path, const std::string& work_dir,
                                FileOpener& opener, DayStatisticsProgress& progress) noexcept {
    OverviewResult result;
    try {
        result.stats =
            compute_day_statistics(path, work_dir, opener, progress, &result.still_written);
    } catch (const FatalError& e) {
        result.error = e.text();
    } catch (const std::bad_alloc&) {
        result.error = "not enough memory";
    } catch (const std::exception& e) {
        result.error = e.what();
    } catch (...) {
        result.error = "an unexpected error";
    }
    if (!result.error.empty()) result.stats.reset();
    return result;
}

QString OverviewWindow::growing_note(bool still_written) const {
    if (!still_written) return QString();
    return QString(" The recording is still being written: this counts what was there at %1.")
        .arg(QTime::currentTime().toString("HH:mm:ss"));
}

OverviewWindow::OverviewWindow(std::string path, std::string work_dir, QWidget* parent)
    : OverviewWindow(
          path,
          Computation([path, work_dir = std::move(work_dir)](DayStatisticsProgress& progress) {
              DiskFileOpener opener;
              return compute_overview(path, work_dir, opener, progress);
          }),
          parent) {}

OverviewWindow::OverviewWindow(std::string path, Computation compute, QWidget* parent)
    : QWidget(parent, Qt::Window), path_(std::move(path)) {
    setWindowTitle("Overview   " + file_name(path_));
    setAttribute(Qt::WA_DeleteOnClose);
    chart_ = new OverviewChart(this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, kProgressSteps);
    status_ = new QLabel(this);
    status_->setWordWrap(true);  // a long status line wraps rather than widening the window
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chart_, 1);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    QSize size = kFirstSize;
    if (const QScreen* s = parent ? parent->screen() : screen()) {
        size = size.boundedTo(s->availableGeometry().size() - kDecoration);
    }
    resize(size);
    connect(chart_, &OverviewChart::minuteClicked, this,
            [this](qint64 minute) { emit minuteChosen(QByteArray::fromStdString(path_), minute); });
    watcher_ = new QFutureWatcher<Result>(this);
    connect(watcher_, &QFutureWatcher<Result>::progressValueChanged, progress_,
            &QProgressBar::setValue);
    connect(watcher_, &QFutureWatcher<Result>::finished, this, &OverviewWindow::take_result);
    start(std::move(compute));
}

OverviewWindow::~OverviewWindow() {
    // The worker may still be running: it is told to stop and left to end on its own.
    watcher_->disconnect(this);
    watcher_->future().cancel();
}

void OverviewWindow::start(Computation compute) {
    status_->setText("Computing the overview of " + file_name(path_) + " ...");
    outcome_ = Outcome::computing;
    // The worker holds the computation (and through it the path) itself: nothing of the
    // window, which may be gone before the worker ends.
    watcher_->setFuture(
        QtConcurrent::run([compute = std::move(compute)](QPromise<Result>& promise) {
            // Playback on the user-interface thread comes first: the computation yields to it.
            QThread* self = QThread::currentThread();
            const QThread::Priority was = self->priority();
            self->setPriority(QThread::LowPriority);
            PromiseProgress progress(promise);
            promise.setProgressRange(0, kProgressSteps);
            promise.addResult(std::make_shared<OverviewResult>(compute(progress)));
            self->setPriority(was == QThread::InheritPriority ? QThread::NormalPriority : was);
        }));
}

void OverviewWindow::take_result() {
    if (outcome_ != Outcome::computing) return;  // cancelled meanwhile: already told
    const QFuture<Result> future = watcher_->future();
    if (future.isCanceled() || future.resultCount() == 0) {
        show_outcome(OverviewResult{});
        return;
    }
    OverviewResult result = std::move(*future.result());
    show_outcome(std::move(result));
}

void OverviewWindow::show_outcome(OverviewResult result) {
    const std::unique_ptr<MinuteStatistics>& stats = result.stats;
    if (!result.error.empty()) {
        outcome_ = Outcome::failed;
        status_->setText("The overview could not be computed: " + display_text(result.error));
    } else if (!stats) {
        outcome_ = Outcome::cancelled;
        status_->setText("The overview was cancelled.");
    } else {
        outcome_ = Outcome::done;
        progress_->setValue(kProgressSteps);
        const MinuteCounts all = stats->totals();
        status_->setText(QString("%1 minutes with data, %2 particles of A, %3 of B, %4 pairs. "
                                 "Click a minute to play from there.")
                             .arg(stats->minutes().size())
                             .arg(all.waited_a)
                             .arg(all.waited_b)
                             .arg(all.pairs) +
                         growing_note(result.still_written));
        chart_->set_statistics(std::shared_ptr<const MinuteStatistics>(std::move(result.stats)),
                               file_name(path_) + "  particles per minute");
    }
    emit finished();
}

void OverviewWindow::cancel() {
    if (outcome_ != Outcome::computing) return;
    // A computation that has ended already, its signal not yet delivered, is shown as it came.
    if (watcher_->future().isFinished()) {
        take_result();
        return;
    }
    watcher_->future().cancel();
    show_outcome(OverviewResult{});
}

void OverviewWindow::closeEvent(QCloseEvent* event) {
    cancel();
    event->accept();
}

}  // namespace korvel
