#include "shell/overview_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <exception>
#include <filesystem>
#include <new>

#include "common/fatal_error.h"
#include "io/disk_file_opener.h"
#include "shell/display_text.h"
#include "shell/overview_chart.h"
#include "statistics/day_statistics.h"

namespace korvel {
namespace {

// Hands the worker's progress to the window through atomics, and its wish to stop back.
class AtomicProgress : public DayStatisticsProgress {
  public:
    AtomicProgress(std::atomic<bool>& stop, std::atomic<uint64_t>& done,
                   std::atomic<uint64_t>& total)
        : stop_(stop), done_(done), total_(total) {}
    bool keep_going(uint64_t done, uint64_t total) override {
        done_.store(done, std::memory_order_relaxed);
        total_.store(total, std::memory_order_relaxed);
        return !stop_.load(std::memory_order_relaxed);
    }

  private:
    std::atomic<bool>& stop_;
    std::atomic<uint64_t>& done_;
    std::atomic<uint64_t>& total_;
};

// The progress bar counts in thousandths: a day's bytes do not fit its int range.
constexpr int kProgressSteps = 1000;

QString file_name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return display_text(slash == std::string::npos ? path : path.substr(slash + 1));
}

// A file written to within this time is taken to be a recording still being written.
constexpr auto kGrowingWithin = std::chrono::seconds(10);

}  // namespace

OverviewResult compute_overview(const std::string& path, const std::string& work_dir,
                                FileOpener& opener, DayStatisticsProgress& progress) noexcept {
    OverviewResult result;
    try {
        result.stats =
            compute_day_statistics(path, work_dir, opener, progress, &result.cut_at_end);
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

QString OverviewWindow::growing_note(bool cut_at_end) const {
    std::error_code ec;
    const auto modified = std::filesystem::last_write_time(path_, ec);
    const bool written_lately =
        !ec && std::filesystem::file_time_type::clock::now() - modified < kGrowingWithin;
    if (!cut_at_end && !written_lately) return QString();
    return QString(" The recording is still being written: this counts what was there at %1.")
        .arg(QTime::currentTime().toString("HH:mm:ss"));
}

OverviewWindow::OverviewWindow(std::string path, std::string work_dir, QWidget* parent)
    : QWidget(parent, Qt::Window), path_(std::move(path)), work_dir_(std::move(work_dir)) {
    setWindowTitle("Overview   " + file_name(path_));
    setAttribute(Qt::WA_DeleteOnClose);
    chart_ = new OverviewChart(this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, kProgressSteps);
    status_ = new QLabel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chart_, 1);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    resize(1000, 380);
    connect(chart_, &OverviewChart::minuteClicked, this,
            [this](qint64 minute) { emit minuteChosen(QByteArray::fromStdString(path_), minute); });
    poll_timer_ = new QTimer(this);
    poll_timer_->setInterval(100);
    connect(poll_timer_, &QTimer::timeout, this, &OverviewWindow::poll);
    start();
}

OverviewWindow::~OverviewWindow() {
    stop_worker();
}

void OverviewWindow::start() {
    status_->setText("Computing the overview of " + file_name(path_) + " ...");
    outcome_ = Outcome::computing;
    worker_ = QThread::create([this] {
        DiskFileOpener opener;
        AtomicProgress progress(stop_, done_, total_);
        OverviewResult result = compute_overview(path_, work_dir_, opener, progress);
        const std::lock_guard<std::mutex> lock(result_mutex_);
        result_ = std::move(result.stats);
        error_ = std::move(result.error);
        cut_at_end_ = result.cut_at_end;
    });
    // Playback on the user-interface thread comes first: the computation yields to it.
    worker_->start(QThread::LowPriority);
    poll_timer_->start();
}

bool OverviewWindow::computing() const {
    return worker_ != nullptr;
}

void OverviewWindow::poll() {
    const uint64_t total = total_.load(std::memory_order_relaxed);
    const uint64_t done = done_.load(std::memory_order_relaxed);
    if (total > 0) progress_->setValue(static_cast<int>(done * kProgressSteps / total));
    if (worker_ == nullptr || !worker_->isFinished()) return;
    stop_worker();
    std::unique_ptr<MinuteStatistics> stats;
    std::string error;
    bool cut = false;
    {
        const std::lock_guard<std::mutex> lock(result_mutex_);
        stats = std::move(result_);
        error = error_;
        cut = cut_at_end_;
    }
    if (!error.empty()) {
        outcome_ = Outcome::failed;
        status_->setText("The overview could not be computed: " + display_text(error));
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
                         growing_note(cut));
        chart_->set_statistics(std::shared_ptr<const MinuteStatistics>(std::move(stats)),
                               file_name(path_) + "  particles per minute");
    }
    emit finished();
}

void OverviewWindow::cancel() {
    if (worker_ == nullptr) return;
    stop_.store(true);
    poll();  // shows the outcome at once when the worker has already ended
    if (worker_ != nullptr) {
        worker_->wait();
        poll();
    }
}

void OverviewWindow::stop_worker() {
    poll_timer_->stop();
    if (worker_ == nullptr) return;
    stop_.store(true);
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
}

void OverviewWindow::closeEvent(QCloseEvent* event) {
    stop_worker();
    event->accept();
}

}  // namespace korvel
