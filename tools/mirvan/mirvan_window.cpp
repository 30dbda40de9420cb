#include "mirvan_window.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "clock_text.h"
#include "common/fatal_error.h"
#include "page_picture.h"

namespace korvel::mirvan {
namespace {

constexpr int kSliderSteps = 100000;
constexpr QSize kFirstSize(1240, 800);
// Room for the window manager's title bar and borders, which the window does not know of
// until it is shown.
constexpr QSize kDecoration(16, 48);
const char* const kHint = "Open a recording (Ctrl+O).";

QString lines_text(uint64_t n) {
    return n == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(n);
}

}  // namespace

MirvanWindow::MirvanWindow()
    : view_(new PageView),
      where_(new QLabel),
      problem_(new QLabel),
      slider_(new QSlider),
      slider_from_(new QLabel),
      slider_to_(new QLabel),
      lines_per_row_(new QComboBox),
      time_(new QLineEdit) {
    setWindowTitle("MIRVAN");
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&Open...", QKeySequence::Open, this, &MirvanWindow::choose_file);
    file->addAction("&Quit", QKeySequence::Quit, this, &QWidget::close);

    QToolBar* tools = addToolBar("Page");
    tools->setMovable(false);
    tools->addWidget(new QLabel(" Lines per pixel row: "));
    for (int n : kLinesPerRow) lines_per_row_->addItem(QString::number(n), n);
    lines_per_row_->setToolTip("How many scan lines one row of the picture shows");
    lines_per_row_->setCurrentIndex(lines_per_row_->findData(10));
    tools->addWidget(lines_per_row_);
    connect(lines_per_row_, &QComboBox::activated, this, [this] {
        go_to(first_);
        view_->setFocus();
    });
    tools->addSeparator();
    tools->addWidget(new QLabel(" Go to time: "));
    time_->setPlaceholderText("hh:mm:ss");
    time_->setToolTip("A time of day (hh:mm, hh:mm:ss or hh:mm:ss.mmm); Enter goes there");
    time_->setMaximumWidth(fontMetrics().horizontalAdvance("00:00:00.000") + 24);
    tools->addWidget(time_);
    connect(time_, &QLineEdit::returnPressed, this, [this] {
        if (go_to_time(time_->text())) view_->setFocus();
    });

    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    view_->set_hint(kHint);
    view_->on_resize = [this] { go_to(first_); };
    slider_->setOrientation(Qt::Horizontal);
    slider_->setRange(0, kSliderSteps);
    slider_->setFocusPolicy(Qt::NoFocus);
    slider_->setEnabled(false);
    slider_->setToolTip("Where the page lies in the recording, from its first line to its last");
    connect(slider_, &QSlider::sliderMoved, this, [this](int value) {
        const double span = last_of_recording() - first_of_recording();
        go_to(first_of_recording() + span * value / kSliderSteps);
    });
    auto* slider_row = new QHBoxLayout;
    slider_row->addWidget(slider_from_);
    slider_row->addWidget(slider_, 1);
    slider_row->addWidget(slider_to_);
    // Why the file shows less than it holds: a line of its own above the page, wrapped, so
    // that it never covers the page's own words in the status bar, whatever the width.
    problem_->setWordWrap(true);
    problem_->setStyleSheet("color: #a00000");
    problem_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problem_->hide();
    layout->addWidget(problem_);
    layout->addWidget(view_, 1);
    layout->addLayout(slider_row);
    setCentralWidget(centre);
    // A long page text is cut at the window's edge rather than widening the window.
    where_->setMinimumWidth(1);
    where_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(where_, 1);
    where_->setText(kHint);

    progress_timer_.setInterval(200);
    connect(&progress_timer_, &QTimer::timeout, this, &MirvanWindow::show_progress);
    resize(kFirstSize);
    view_->setFocus();
}

void MirvanWindow::fit_to_screen() {
    QSize size = kFirstSize;
    if (const QScreen* s = screen()) {
        size = size.boundedTo(s->availableGeometry().size() - kDecoration);
    }
    resize(size.expandedTo(QSize(200, 150)));
}

MirvanWindow::~MirvanWindow() {
    stop_indexing();
}

void MirvanWindow::choose_file() {
    const QString path = QFileDialog::getOpenFileName(this, "Open", QString(), "AB Files (*.ab)");
    if (!path.isEmpty()) open(path);
}

void MirvanWindow::stop_indexing() {
    progress_timer_.stop();
    if (worker_) {
        progress_.cancel = true;
        worker_->disconnect(this);
        worker_->wait();
        delete worker_;
        worker_ = nullptr;
    }
    pending_.reset();
}

bool MirvanWindow::open(const QString& path) {
    std::unique_ptr<RecordingIndex> index;
    try {
        index = std::make_unique<RecordingIndex>(QFile::encodeName(path).toStdString());
    } catch (const FatalError& e) {
        const QString text = QString::fromStdString(e.text());
        if (report_failure) {
            report_failure(text);
        } else {
            QMessageBox::warning(this, "MIRVAN", text);
        }
        return false;
    }
    stop_indexing();
    index_.reset();
    pending_ = std::move(index);
    progress_.cancel = false;
    progress_.position = 0;
    name_ = QFileInfo(path).fileName();
    setWindowTitle("MIRVAN   " + name_);
    problem_->clear();
    problem_->hide();
    slider_->setEnabled(false);
    slider_from_->clear();
    slider_to_->clear();
    show_progress();
    RecordingIndex* building = pending_.get();
    worker_ = QThread::create([building, this] { building->build(&progress_); });
    // A worker stopped meanwhile may have queued its finish already: only the latest counts.
    connect(worker_, &QThread::finished, this, [this, run = ++indexing_run_] {
        if (run == indexing_run_ && worker_ != nullptr) take_index();
    });
    worker_->start();
    progress_timer_.start();
    return true;
}

void MirvanWindow::show_progress() {
    if (!pending_) return;
    const uint64_t length = std::max<uint64_t>(pending_->length(), 1);
    const uint64_t done = progress_.position.load(std::memory_order_relaxed);
    const int percent = static_cast<int>(std::min<uint64_t>(done * 100 / length, 100));
    const QString text = QString("Indexing %1: %2 %").arg(name_).arg(percent);
    where_->setText(text);
    view_->set_hint(text);
}

void MirvanWindow::take_index() {
    progress_timer_.stop();
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    index_ = std::move(pending_);
    const LineSpan lines = index_->lines();
    const double rate = index_->header().line_rate;
    if (!index_->problem().empty()) {
        problem_->setText(QString("A damaged record at byte %1 (%2) ends what can be shown%3.")
                              .arg(index_->problem_position())
                              .arg(QString::fromStdString(index_->problem()))
                              .arg(lines.empty() ? QString(": the file shows no line")
                                                 : ", after " + clock_text(lines.last, rate)));
        problem_->show();
    }
    if (lines.empty()) {
        where_->setText(name_ + " holds no scan lines.");
        view_->set_hint(where_->text());
    } else {
        slider_->setEnabled(true);
        slider_from_->setText(clock_text(lines.first, rate));
        slider_to_->setText(clock_text(lines.last, rate));
        go_to(first_of_recording());
    }
    emit indexed();
}

int MirvanWindow::page_rows() const {
    return view_->page_rows();
}

int MirvanWindow::lines_per_row() const {
    return lines_per_row_->currentData().toInt();
}

void MirvanWindow::set_lines_per_row(int lines) {
    const int at = lines_per_row_->findData(lines);
    if (at < 0) return;
    lines_per_row_->setCurrentIndex(at);
    go_to(first_);
}

double MirvanWindow::page_lines() const {
    return static_cast<double>(page_rows()) * lines_per_row();
}

double MirvanWindow::first_of_recording() const {
    const LineSpan lines = index_ ? index_->lines() : LineSpan{};
    return lines.empty() ? 0.0 : std::floor(lines.first);
}

double MirvanWindow::last_of_recording() const {
    const LineSpan lines = index_ ? index_->lines() : LineSpan{};
    if (lines.empty()) return 0.0;
    return std::max(first_of_recording(), std::floor(lines.last) - page_lines() + 1);
}

void MirvanWindow::go_to(double first) {
    if (!index_ || !std::isfinite(first)) return;
    first_ = std::clamp(std::floor(first), first_of_recording(), last_of_recording());
    show_page();
}

bool MirvanWindow::go_to_time(const QString& text) {
    static const QRegularExpression pattern(
        R"(^\s*(\d{1,2}):(\d{2})(?::(\d{2})(?:[.,](\d{1,3}))?)?\s*$)");
    const QRegularExpressionMatch m = pattern.match(text);
    if (!index_) return false;
    const int h = m.captured(1).toInt(), min = m.captured(2).toInt(), s = m.captured(3).toInt();
    if (!m.hasMatch() || h > 23 || min > 59 || s > 59) {
        statusBar()->showMessage(
            "Not a time of day: " + text + " (hh:mm, hh:mm:ss or hh:mm:ss.mmm)", 8000);
        return false;
    }
    const double ms = m.captured(4).isEmpty() ? 0.0 : (m.captured(4) + "00").left(3).toDouble();
    const double seconds = h * 3600.0 + min * 60.0 + s + ms / 1000.0;
    const double line = std::floor(seconds * index_->header().line_rate);
    const LineSpan lines = index_->lines();
    if (!lines.empty() && (line < lines.first || line > lines.last)) {
        statusBar()->showMessage(QString("The recording runs from %1 to %2.")
                                     .arg(clock_text(lines.first, index_->header().line_rate),
                                          clock_text(lines.last, index_->header().line_rate)),
                                 8000);
    }
    go_to(line);
    return true;
}

// One page on; when that page has no line, on to the next line there is (or back to the
// last one before), so a gap of hours in the recording is one key press.
void MirvanWindow::turn_page(int direction) {
    if (!index_) return;
    const double page = page_lines();
    double target = first_ + direction * page;
    bool meets = false;
    for (const IndexEntry& e : index_->entries()) {
        if (e.a.meets(target, target + page) || e.b.meets(target, target + page)) {
            meets = true;
            break;
        }
    }
    if (!meets) {
        const double jump = direction > 0 ? index_->next_lines_from(target + page)
                                          : index_->last_line_before(target) - page + 1;
        if (std::isfinite(jump)) target = jump;
    }
    go_to(target);
}

void MirvanWindow::show_page() {
    const int rows = page_rows();
    PageRead read;
    const QImage page = page_picture(*index_, first_, rows, lines_per_row(), read);
    view_->set_page(page, std::clamp<int>(index_->header().line_width, 1, kMaxCameraWidth),
                    PageScale{first_, lines_per_row(), index_->header().line_rate});
    const double span = last_of_recording() - first_of_recording();
    {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(
            span > 0.0 ? static_cast<int>((first_ - first_of_recording()) / span * kSliderSteps)
                       : 0);
    }
    const double rate = index_->header().line_rate;
    QString text = QString("%1 to %2   %3 per pixel row   on this page: camera A %4, camera B %5")
                       .arg(clock_text(first_, rate), clock_text(first_ + page_lines(), rate),
                            lines_text(static_cast<uint64_t>(lines_per_row())),
                            lines_text(read.lines_a), lines_text(read.lines_b));
    if (read.partial) text += "   (partly read: its lines are spread over the whole file)";
    if (!read.problem.empty()) {
        text += QString("   The file has changed since it was indexed (%1): open it again.")
                    .arg(QString::fromStdString(read.problem));
    }
    where_->setText(text);
}

void MirvanWindow::keyPressEvent(QKeyEvent* event) {
    const double page = page_lines();
    switch (event->key()) {
        case Qt::Key_PageDown:
        case Qt::Key_Right:
        case Qt::Key_Space:
            turn_page(1);
            break;
        case Qt::Key_PageUp:
        case Qt::Key_Left:
            turn_page(-1);
            break;
        case Qt::Key_Down:
            go_to(first_ + std::max(1.0, std::floor(page / 10)));
            break;
        case Qt::Key_Up:
            go_to(first_ - std::max(1.0, std::floor(page / 10)));
            break;
        case Qt::Key_Home:
            go_to(first_of_recording());
            break;
        case Qt::Key_End:
            go_to(last_of_recording());
            break;
        default:
            QMainWindow::keyPressEvent(event);
    }
}

}  // namespace korvel::mirvan
