#include "display/qt/overview/overview_painter.h"

#include <QFont>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <vector>

#include "display/overview_layout.h"

namespace korvel {
namespace {

const QColor kCameraA(255, 0, 0);  // the views' camera-A colour
const QColor kCameraB(0, 0, 255);  // the views' camera-B colour
// The views join a pair with a yellow line; pure yellow vanishes on white, so the overview
// takes a darker one, for the bars, the area, its edge and the legend alike.
const QColor kPairs(225, 185, 0);
const QColor kGrid(220, 220, 220);
// Below this width of a minute (in the picture's units) the three bars would not fit.
constexpr double kMinBarMinute = 3.0;

// A line through the minutes' values at the middle of each minute, from the first minute with
// data to the last, minutes without data at zero so that gaps show. With the day 1440 minutes
// wide a minute is often narrower than a pixel; a line (rather than bars) keeps the three
// series apart there. closed: down to the base line at both ends, for a filled area.
QPainterPath minute_path(const OverviewLayout& layout, const MinuteStatistics& stats,
                         int64_t MinuteCounts::*field, bool closed) {
    QPainterPath path;
    const auto& minutes = stats.minutes();
    const int64_t first = std::max(layout.first_minute(), minutes.begin()->first);
    const int64_t last = std::min(layout.end_minute() - 1, minutes.rbegin()->first);
    if (first > last) return path;
    auto it = minutes.lower_bound(first);
    const double base = layout.y_of(0);
    auto centre = [&](int64_t m) { return (layout.x_of(m) + layout.x_of(m + 1)) / 2; };
    if (closed) path.moveTo(centre(first), base);
    for (int64_t m = first; m <= last; ++m) {
        while (it != minutes.end() && it->first < m) ++it;
        const int64_t value = it != minutes.end() && it->first == m ? it->second.*field : 0;
        const QPointF point(centre(m), layout.y_of(value));
        if (m == first && !closed) {
            path.moveTo(point);
        } else {
            path.lineTo(point);
        }
    }
    if (closed) path.lineTo(centre(last), base);
    return path;
}

// Per minute three bars side by side: particles A, particles B, pairs.
void paint_bars(QPainter& p, const OverviewLayout& layout, const MinuteStatistics& stats) {
    const double base = layout.y_of(0);
    const auto& minutes = stats.minutes();
    for (auto it = minutes.lower_bound(layout.first_minute());
         it != minutes.end() && it->first < layout.end_minute(); ++it) {
        const double left = layout.x_of(it->first);
        const double width = layout.x_of(it->first + 1) - left;
        const double gap = width >= 12 ? width / 8 : 0;
        const double bar = (width - gap) / 3;
        const struct {
            int64_t value;
            QColor colour;
        } bars[] = {{it->second.waited_a, kCameraA},
                    {it->second.waited_b, kCameraB},
                    {it->second.pairs, kPairs}};
        for (int i = 0; i < 3; ++i) {
            const double top = layout.y_of(bars[i].value);
            p.fillRect(QRectF(left + gap / 2 + bar * i, top, bar, base - top), bars[i].colour);
        }
    }
}

void paint_lines(QPainter& p, const OverviewLayout& layout, const MinuteStatistics& stats) {
    // Pairs are never more than either camera's particles, so their area stays beneath both
    // lines; B is dashed so that it shows where it runs on top of A.
    p.setPen(QPen(kPairs, 1));
    p.setBrush(kPairs);
    p.drawPath(minute_path(layout, stats, &MinuteCounts::pairs, true));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kCameraA, 1));
    p.drawPath(minute_path(layout, stats, &MinuteCounts::waited_a, false));
    QPen dashed(kCameraB, 1);
    dashed.setDashPattern({3, 3});
    p.setPen(dashed);
    p.drawPath(minute_path(layout, stats, &MinuteCounts::waited_b, false));
}

void paint_axes(QPainter& p, const OverviewLayout& layout) {
    const OverviewRect& r = layout.plot();
    const QFontMetricsF metrics(p.font());
    for (const OverviewTick& t : layout.count_ticks()) {
        p.setPen(QPen(kGrid, 1));
        p.drawLine(QPointF(r.left, t.at), QPointF(r.right(), t.at));
        p.setPen(Qt::black);
        const QRectF box(0, t.at - 8, r.left - 6, 16);
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(t.label));
    }
    for (const OverviewTick& t : layout.hour_ticks()) {
        p.setPen(QPen(Qt::black, 1));
        const double length = t.label.empty() ? 3 : 6;
        p.drawLine(QPointF(t.at, r.bottom()), QPointF(t.at, r.bottom() + length));
        if (!t.label.empty()) {
            const QRectF box(t.at - 30, r.bottom() + 7, 60, metrics.height());
            p.drawText(box, Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(t.label));
        }
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(QRectF(r.left, r.top, r.width, r.height));
}

}  // namespace

void paint_overview(QPainter& p, double width, double height, const MinuteStatistics& stats,
                    const QString& title, std::optional<int64_t> marked_minute,
                    std::optional<MinuteSpan> span) {
    p.save();
    p.fillRect(QRectF(0, 0, width, height), Qt::white);
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    const OverviewLayout layout =
        span ? OverviewLayout(stats, width, height, *span) : OverviewLayout(stats, width, height);
    const OverviewRect& r = layout.plot();
    paint_axes(p, layout);

    p.setClipRect(QRectF(r.left, r.top, r.width, r.height));
    if (!stats.minutes().empty()) {
        if (layout.x_of(1) - layout.x_of(0) >= kMinBarMinute) {
            paint_bars(p, layout, stats);
        } else {
            paint_lines(p, layout, stats);
        }
    }
    p.setClipping(false);

    // Title and legend above the plot.
    p.setPen(Qt::black);
    const QRectF head(r.left, 3, r.width, OverviewLayout::kTopMargin - 6);
    QString left = title;
    if (marked_minute) {
        const auto it = stats.minutes().find(*marked_minute);
        const MinuteCounts counts = it == stats.minutes().end() ? MinuteCounts{} : it->second;
        left = QString::fromStdString(overview_minute_text(*marked_minute, counts));
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        const double x = (layout.x_of(*marked_minute) + layout.x_of(*marked_minute + 1)) / 2;
        p.drawLine(QPointF(x, r.top), QPointF(x, r.bottom()));
        p.setPen(Qt::black);
    }
    const struct {
        QColor colour;
        const char* text;
    } legend[] = {{kCameraA, "particles A"}, {kCameraB, "particles B"}, {kPairs, "pairs"}};
    const QFontMetricsF metrics(p.font());
    double x = r.right();
    for (int i = 2; i >= 0; --i) {
        const double w = metrics.horizontalAdvance(legend[i].text);
        x -= w;
        p.setPen(Qt::black);
        p.drawText(QRectF(x, head.top(), w, head.height()), Qt::AlignVCenter, legend[i].text);
        x -= 14;
        p.fillRect(QRectF(x, head.center().y() - 4, 10, 8), legend[i].colour);
        x -= 12;
    }
    // The legend keeps its place at the right; the title or the minute's counts take what is
    // left of the line, shortened at the end on a narrow picture.
    const double room = std::max(0.0, x - head.left() - 8);
    p.drawText(QRectF(head.left(), head.top(), room, head.height()),
               Qt::AlignLeft | Qt::AlignVCenter, metrics.elidedText(left, Qt::ElideRight, room));
    p.restore();
}

QImage overview_image(const MinuteStatistics& stats, const QString& title, QSize size,
                      std::optional<MinuteSpan> span) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paint_overview(painter, size.width(), size.height(), stats, title, std::nullopt, span);
    painter.end();
    return image;
}

}  // namespace korvel
