#include "shell/overview_chart.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "display/qt/overview/overview_painter.h"

namespace korvel {
namespace {

// How far the pointer may move between press and release and still make a click.
constexpr double kClickSlop = 4;
// One notch of the wheel shows this share of the span (or its inverse, out).
constexpr double kZoomPerNotch = 0.8;

}  // namespace

OverviewChart::OverviewChart(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(480, 200);
    setCursor(Qt::CrossCursor);
    click_timer_.setSingleShot(true);
    click_timer_.setInterval(QApplication::doubleClickInterval());
    connect(&click_timer_, &QTimer::timeout, this, [this] { emit minuteClicked(clicked_minute_); });
}

void OverviewChart::set_statistics(std::shared_ptr<const MinuteStatistics> stats,
                                   const QString& title) {
    stats_ = std::move(stats);
    title_ = title;
    marked_.reset();
    whole_ = stats_ ? fitted_span(*stats_) : MinuteSpan{};
    span_ = whole_;
    update();
}

OverviewLayout OverviewChart::layout() const {
    return OverviewLayout(*stats_, width(), height(), span_);
}

void OverviewChart::set_span(const MinuteSpan& span) {
    if (span == span_) return;
    span_ = span;
    update();
}

std::optional<int64_t> OverviewChart::minute_at(QPoint point) const {
    if (!stats_) return std::nullopt;
    return layout().minute_at(point.x() + 0.5, point.y() + 0.5);
}

QPoint OverviewChart::point_of(int64_t minute) const {
    if (!stats_) return {};
    const OverviewLayout l = layout();
    // The first pixel whose centre lies in the minute (minute_at measures from centres); when
    // a minute is narrower than a pixel there may be none, and the nearest one is taken.
    const double x = std::ceil(l.x_of(minute) - 0.5);
    const double y = (l.plot().top + l.plot().bottom()) / 2;
    return QPoint(static_cast<int>(x), static_cast<int>(y));
}

void OverviewChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!stats_) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    paint_overview(painter, width(), height(), *stats_, title_, marked_, span_);
}

void OverviewChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !stats_) return;
    press_at_ = event->position();
    press_span_ = span_;
    dragged_ = false;
}

void OverviewChart::mouseMoveEvent(QMouseEvent* event) {
    if (press_at_ && (event->buttons() & Qt::LeftButton)) {
        const double dx = event->position().x() - press_at_->x();
        if (std::abs(dx) > kClickSlop) dragged_ = true;
        if (dragged_) {
            // The minute under the pointer stays under it.
            const double per_unit =
                static_cast<double>(press_span_.length()) / layout().plot().width;
            const auto minutes = static_cast<int64_t>(std::llround(-dx * per_unit));
            set_span(panned_span(press_span_, minutes, whole_));
        }
    }
    const auto minute = minute_at(event->position().toPoint());
    if (minute != marked_) {
        marked_ = minute;
        update();
    }
}

void OverviewChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool click = press_at_.has_value() && !dragged_;
    press_at_.reset();
    if (!click) return;
    if (const auto minute = minute_at(event->position().toPoint())) {
        clicked_minute_ = *minute;
        click_timer_.start();
    }
}

void OverviewChart::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !stats_) return;
    click_timer_.stop();  // the first click of the two plays nothing
    press_at_.reset();
    set_span(whole_);
}

void OverviewChart::wheelEvent(QWheelEvent* event) {
    if (!stats_) return;
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) return;
    const OverviewRect plot = layout().plot();
    const double anchor = (event->position().x() - plot.left) / plot.width;
    set_span(zoomed_span(span_, std::pow(kZoomPerNotch, notches), anchor, whole_));
    marked_ = minute_at(event->position().toPoint());
    event->accept();
}

void OverviewChart::leaveEvent(QEvent*) {
    if (marked_) {
        marked_.reset();
        update();
    }
}

}  // namespace korvel
