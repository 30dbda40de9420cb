#include "display/qt/status_rows.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

#include "display/canvas.h"
#include "display/qt/display_fonts.h"

namespace korvel {

void StatusRows::add(const DeviceRect& rect, int left, int bottom, int px, const std::string& text,
                     PixelRows pixels) {
    for (size_t i = 0; i < pending_.size();) {
        PendingRow& p = pending_[i];
        if (p.rect == rect && p.left == left && p.bottom == bottom && p.px == px &&
            p.text.size() <= text.size()) {
            p.text = text;  // covers the pending one completely
            return;
        }
        if (overlap(p.rect, rect)) {
            draw(p, pixels);
            pending_.erase(pending_.begin() + static_cast<ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    pending_.push_back(PendingRow{rect, left, bottom, px, text});
}

void StatusRows::flush(PixelRows pixels) {
    for (const PendingRow& p : pending_) draw(p, pixels);
    pending_.clear();
}

void StatusRows::flush_touching(const DeviceRect& area, PixelRows pixels) {
    for (size_t i = 0; i < pending_.size();) {
        if (overlap(pending_[i].rect, area)) {
            draw(pending_[i], pixels);
            pending_.erase(pending_.begin() + static_cast<ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
}

const StatusRows::Cells& StatusRows::cells(int px) {
    if (cells_.px == px && !cells_.strip.isNull()) return cells_;
    const QFont font = korvel::status_font(px);
    const QFontMetrics m(font);
    cells_.px = px;
    cells_.width = std::max(1, qRound(QFontMetricsF(font).horizontalAdvance(QLatin1Char('0'))));
    cells_.height = std::max(1, m.ascent() + m.descent());
    cells_.strip = QImage(cells_.width * 95, cells_.height, QImage::Format_RGB32);
    cells_.strip.fill(QColor(kBackground.r, kBackground.g, kBackground.b));
    QPainter p(&cells_.strip);
    p.setFont(font);
    p.setPen(QColor(kBlack.r, kBlack.g, kBlack.b));
    for (int c = 32; c < 127; ++c) {
        p.setClipRect(QRect((c - 32) * cells_.width, 0, cells_.width, cells_.height));
        p.drawText(QPoint((c - 32) * cells_.width, m.ascent()), QString(QChar(c)));
    }
    return cells_;
}

void StatusRows::draw(const PendingRow& p, PixelRows pixels) {
    const Cells& c = cells(p.px);
    const DeviceRect& r = p.rect;
    const int top = p.bottom - c.height;
    const auto* strip = reinterpret_cast<const uint32_t*>(c.strip.constBits());
    const ptrdiff_t strip_stride = c.strip.bytesPerLine() / 4;
    const int y0 = std::max(top, r.top);
    const int y1 = std::min(top + c.height, r.bottom);
    for (size_t i = 0; i < p.text.size(); ++i) {
        const int ch = static_cast<unsigned char>(p.text[i]);
        const int index = (ch >= 32 && ch < 127 ? ch : '?') - 32;
        const int cell_left = p.left + static_cast<int>(i) * c.width;
        const int x0 = std::max(cell_left, r.left);
        const int x1 = std::min(cell_left + c.width, r.right);
        if (x0 >= r.right) break;
        if (x0 >= x1) continue;
        const int src_x = index * c.width + (x0 - cell_left);
        for (int y = y0; y < y1; ++y) {
            std::copy_n(strip + (y - top) * strip_stride + src_x, x1 - x0, pixels.row(y) + x0);
        }
    }
}

}  // namespace korvel
