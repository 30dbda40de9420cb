#include "display/qt/scale_labels.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>

#include "display/qt/display_fonts.h"

namespace korvel {

const ScaleLabels::Mask& ScaleLabels::mask(int px, const std::string& text) {
    if (px != px_) {
        masks_.clear();
        px_ = px;
    }
    for (const auto& [t, m] : masks_) {
        if (t == text) return m;
    }
    const QFont font = scale_font(px);
    const QFontMetrics metrics(font);
    const QString s = QString::fromStdString(text);
    Mask m;
    m.advance = metrics.horizontalAdvance(s);
    m.descent = metrics.descent();
    // Room all round for the italic's overhang; the text is drawn at a whole pixel, as on
    // the picture, so its pixels are the same there.
    const int margin = metrics.height() + 2;
    const int base_x = margin;
    const int base_y = margin + metrics.ascent();
    QImage img(m.advance + 2 * margin, metrics.height() + 2 * margin, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPoint(base_x, base_y), s);
    }
    m.bounds = DeviceRect{1 << 20, 1 << 20, -(1 << 20), -(1 << 20)};
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width();) {
            if (row[x] == qRgb(255, 255, 255)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < img.width() && row[x] != qRgb(255, 255, 255)) ++x;
            m.runs.push_back(Run{y - base_y, start - base_x, x - base_x});
            m.bounds.left = std::min(m.bounds.left, start - base_x);
            m.bounds.right = std::max(m.bounds.right, x - base_x);
            m.bounds.top = std::min(m.bounds.top, y - base_y);
            m.bounds.bottom = std::max(m.bounds.bottom, y - base_y + 1);
        }
    }
    masks_.emplace_back(text, std::move(m));
    return masks_.back().second;
}

DeviceRect ScaleLabels::extent(int x, int y, int px, const std::string& text) {
    const Mask& m = mask(px, text);
    const int ox = x - m.advance / 2;
    const int oy = y - m.descent;
    return DeviceRect{ox + m.bounds.left, oy + m.bounds.top, ox + m.bounds.right,
                      oy + m.bounds.bottom};
}

DeviceRect ScaleLabels::draw(BackingStore& store, int x, int y, int px, const std::string& text) {
    const Mask& m = mask(px, text);
    const int ox = x - m.advance / 2;
    const int oy = y - m.descent;
    for (const Run& r : m.runs) {
        const int row = oy + r.dy;
        if (row < 0 || row >= store.height()) continue;
        const int x0 = std::max(ox + r.x0, 0);
        const int x1 = std::min(ox + r.x1, store.width());
        if (x0 >= x1) continue;
        // Black, the only colour of the label's hard-edged pixels.
        store.for_each_run(row, x0, x1, [](uint32_t* p, int n) { std::fill_n(p, n, 0xff000000u); });
    }
    const DeviceRect whole{0, 0, store.width(), store.height()};
    return intersect(DeviceRect{ox + m.bounds.left, oy + m.bounds.top, ox + m.bounds.right,
                                oy + m.bounds.bottom},
                     whole);
}

}  // namespace korvel
