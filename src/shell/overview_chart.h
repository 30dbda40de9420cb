#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

#include "display/overview_layout.h"
#include "statistics/minute_statistics.h"

namespace korvel {

// The day's timeline as a widget. The time axis first fits the minutes that hold data; the
// wheel zooms around the pointer, a drag pans and a double click shows the whole recording
// again. The minute under the pointer is marked and named with its counts; a click on a minute
// asks for playback from there (once the double-click interval has passed without a second
// click).
class OverviewChart : public QWidget {
    Q_OBJECT
  public:
    explicit OverviewChart(QWidget* parent = nullptr);

    void set_statistics(std::shared_ptr<const MinuteStatistics> stats, const QString& title);
    const MinuteStatistics* statistics() const { return stats_.get(); }
    std::optional<int64_t> marked_minute() const { return marked_; }
    // The minutes the time axis shows now, and those of the whole recording.
    const MinuteSpan& span() const { return span_; }
    const MinuteSpan& whole() const { return whole_; }
    // The minute at a point of the widget, or nothing outside the plot (or without data).
    std::optional<int64_t> minute_at(QPoint point) const;
    // A point of the widget in minute's column.
    QPoint point_of(int64_t minute) const;

  signals:
    void minuteClicked(qint64 minute);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    OverviewLayout layout() const;
    void set_span(const MinuteSpan& span);

    std::shared_ptr<const MinuteStatistics> stats_;
    QString title_;
    std::optional<int64_t> marked_;
    MinuteSpan whole_;
    MinuteSpan span_;
    // A press that may become a drag: where it began and the span it saw.
    std::optional<QPointF> press_at_;
    MinuteSpan press_span_;
    bool dragged_ = false;
    QTimer click_timer_;  // a click waits here to see whether a second one follows
    int64_t clicked_minute_ = 0;
};

}  // namespace korvel
