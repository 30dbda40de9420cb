#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

#include "statistics/minute_statistics.h"

namespace korvel {

// The day's timeline as a widget: the minute under the pointer is marked and named with its
// counts; a click on a minute asks for playback from there.
class OverviewChart : public QWidget {
    Q_OBJECT
  public:
    explicit OverviewChart(QWidget* parent = nullptr);

    void set_statistics(std::shared_ptr<const MinuteStatistics> stats, const QString& title);
    const MinuteStatistics* statistics() const { return stats_.get(); }
    std::optional<int64_t> marked_minute() const { return marked_; }
    // The minute at a point of the widget, or nothing outside the plot (or without data).
    std::optional<int64_t> minute_at(QPoint point) const;
    // A point of the widget in minute's column.
    QPoint point_of(int64_t minute) const;

  signals:
    void minuteClicked(qint64 minute);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    std::shared_ptr<const MinuteStatistics> stats_;
    QString title_;
    std::optional<int64_t> marked_;
};

}  // namespace korvel
