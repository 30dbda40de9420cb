#include "mirvan_window.h"

#include <QFileDialog>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/fatal_error.h"
#include "page_picture.h"

namespace korvel::mirvan {
namespace {

// Enough for an hour of both cameras at 10000 lines a second in about 2 x 1.4 GB; a longer
// recording is shown up to there.
constexpr size_t kMaxLinesPerCamera = 36'000'000;
constexpr int kSliderSteps = 100000;

QString clock_text(double line, double rate) {
    if (!(rate > 0.0)) return QStringLiteral("line %1").arg(line, 0, 'f', 0);
    const double seconds = line / rate;
    if (!std::isfinite(seconds) || seconds < 0.0 || seconds >= 86400.0 * 2) {
        return QStringLiteral("line %1").arg(line, 0, 'f', 0);
    }
    const long ms = static_cast<long>(seconds * 1000.0);
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld.%03ld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    return text;
}

}  // namespace

MirvanWindow::MirvanWindow() : picture_(new QLabel), where_(new QLabel), slider_(new QSlider) {
    setWindowTitle("MIRVAN");
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&Open...", QKeySequence::Open, this, &MirvanWindow::choose_file);
    file->addAction("&Quit", QKeySequence::Quit, this, &QWidget::close);

    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    picture_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    picture_->setMinimumSize(200, 100);
    picture_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    slider_->setOrientation(Qt::Horizontal);
    slider_->setRange(0, kSliderSteps);
    slider_->setFocusPolicy(Qt::NoFocus);
    connect(slider_, &QSlider::sliderMoved, this, [this](int value) {
        const double span = last_of_recording() - first_of_recording();
        go_to(first_of_recording() + span * value / kSliderSteps);
    });
    layout->addWidget(picture_, 1);
    layout->addWidget(slider_);
    setCentralWidget(centre);
    statusBar()->addWidget(where_, 1);
    where_->setText("Open a recording (Ctrl+O).");
    resize(1100, 760);
}

void MirvanWindow::choose_file() {
    const QString path = QFileDialog::getOpenFileName(this, "Open", QString(), "AB Files (*.ab)");
    if (!path.isEmpty()) open(path);
}

bool MirvanWindow::open(const QString& path) {
    try {
        scan_ = load_scan_lines(path.toStdString(), kMaxLinesPerCamera);
    } catch (const FatalError& e) {
        QMessageBox::warning(this, "MIRVAN", QString::fromStdString(e.text()));
        return false;
    }
    setWindowTitle("MIRVAN   " + path.section('/', -1));
    go_to(first_of_recording());
    if (!scan_.problem.empty()) {
        statusBar()->showMessage(
            QString("Reading stopped at a damaged record (%1)").arg(scan_.problem.c_str()), 10000);
    }
    return true;
}

double MirvanWindow::first_of_recording() const {
    double first = INFINITY;
    if (!scan_.a.empty()) first = scan_.a.front().y_count;
    if (!scan_.b.empty()) first = std::min(first, scan_.b.front().y_count);
    return std::isfinite(first) ? std::floor(first) : 0.0;
}

double MirvanWindow::last_of_recording() const {
    double last = -INFINITY;
    if (!scan_.a.empty()) last = scan_.a.back().y_count;
    if (!scan_.b.empty()) last = std::max(last, scan_.b.back().y_count);
    if (!std::isfinite(last)) return first_of_recording();
    return std::max(first_of_recording(), std::floor(last) - page_rows() + 1);
}

int MirvanWindow::page_rows() const {
    return std::max(picture_->height(), 1);
}

void MirvanWindow::go_to(double first) {
    first_ = std::clamp(std::floor(first), first_of_recording(), last_of_recording());
    show_page();
}

void MirvanWindow::show_page() {
    const int rows = page_rows();
    picture_->setPixmap(QPixmap::fromImage(page_picture(scan_, first_, rows)));
    const double span = last_of_recording() - first_of_recording();
    if (span > 0.0) {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(static_cast<int>((first_ - first_of_recording()) / span * kSliderSteps));
    }
    where_->setText(
        QString("%1 to %2   A | B   %3 + %4 lines")
            .arg(clock_text(first_, scan_.line_rate), clock_text(first_ + rows, scan_.line_rate))
            .arg(scan_.a.size())
            .arg(scan_.b.size()));
}

void MirvanWindow::keyPressEvent(QKeyEvent* event) {
    const double page = page_rows();
    switch (event->key()) {
        case Qt::Key_PageDown:
        case Qt::Key_Right:
        case Qt::Key_Space:
            go_to(first_ + page);
            break;
        case Qt::Key_PageUp:
        case Qt::Key_Left:
            go_to(first_ - page);
            break;
        case Qt::Key_Down:
            go_to(first_ + std::max(1.0, page / 10));
            break;
        case Qt::Key_Up:
            go_to(first_ - std::max(1.0, page / 10));
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

void MirvanWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    go_to(first_);
}

}  // namespace korvel::mirvan
