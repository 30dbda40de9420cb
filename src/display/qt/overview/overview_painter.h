#pragma once

#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>
#include <optional>

#include "statistics/minute_statistics.h"

namespace korvel {

// Paints the day's timeline into width x height units of painter: hour ticks along the time of
// day, and per minute the particles of camera A (red) and camera B (blue) and the pairs
// (yellow, the colour of the views' connectors). The minute under the pointer, when given, is
// marked and named with its counts.
void paint_overview(QPainter& painter, double width, double height, const MinuteStatistics& stats,
                    const QString& title, std::optional<int64_t> marked_minute = std::nullopt);

// The timeline as an image of size pixels, for korvel-replay --overview.
QImage overview_image(const MinuteStatistics& stats, const QString& title, QSize size);

}  // namespace korvel
