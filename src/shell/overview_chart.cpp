#include "shell/overview_chart.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "display/overview_layout.h"
#include "display/qt/overview/overview_painter.h"

namespace korvel {

OverviewChart::OverviewChart(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(480, 200);
    setCursor(Qt::CrossCursor);
}

void OverviewChart::set_statistics(std::shared_ptr<const MinuteStatistics> stats,
                                   const QString& title) {
    stats_ = std::move(stats);
    title_ = title;
    marked_.reset();
    update();
}

std::optional<int64_t> OverviewChart::minute_at(QPoint point) const {
    if (!stats_) return std::nullopt;
    const OverviewLayout layout(*stats_, width(), height());
    return layout.minute_at(point.x() + 0.5, point.y() + 0.5);
}

QPoint OverviewChart::point_of(int64_t minute) const {
    if (!stats_) return {};
    const OverviewLayout layout(*stats_, width(), height());
    // The first pixel whose centre lies in the minute (minute_at measures from centres); when
    // a minute is narrower than a pixel there may be none, and the nearest one is taken.
    const double x = std::ceil(layout.x_of(minute) - 0.5);
    const double y = (layout.plot().top + layout.plot().bottom()) / 2;
    return QPoint(static_cast<int>(x), static_cast<int>(y));
}

void OverviewChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!stats_) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    paint_overview(painter, width(), height(), *stats_, title_, marked_);
}

void OverviewChart::mouseMoveEvent(QMouseEvent* event) {
    const auto minute = minute_at(event->position().toPoint());
    if (minute != marked_) {
        marked_ = minute;
        update();
    }
}

void OverviewChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (const auto minute = minute_at(event->position().toPoint())) emit minuteClicked(*minute);
}

void OverviewChart::leaveEvent(QEvent*) {
    if (marked_) {
        marked_.reset();
        update();
    }
}

}  // namespace korvel
