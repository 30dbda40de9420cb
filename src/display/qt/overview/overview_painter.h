#pragma once

#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>
#include <optional>

#include "display/overview_layout.h"
#include "statistics/minute_statistics.h"

namespace korvel {

// Paints the day's timeline into width x height units of painter: time ticks along the time of
// day, and per minute the particles of camera A (red) and camera B (blue) and the pairs (dark
// yellow), each drawn so that none hides another: side by side where a minute is wide enough,
// otherwise as a filled area (pairs) under a solid (A) and a dashed (B) line. The legend shows
// the same colours. The minute under the pointer, when given, is marked and named with its
// counts. span: the stretch of minutes the time axis shows (default: the whole day).
void paint_overview(QPainter& painter, double width, double height, const MinuteStatistics& stats,
                    const QString& title, std::optional<int64_t> marked_minute = std::nullopt,
                    std::optional<MinuteSpan> span = std::nullopt);

// The timeline as an image of size pixels, for korvel-replay --overview; span as above.
QImage overview_image(const MinuteStatistics& stats, const QString& title, QSize size,
                      std::optional<MinuteSpan> span = std::nullopt);

}  // namespace korvel
