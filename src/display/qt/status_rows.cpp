#include "display/qt/status_rows.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

#include "display/canvas.h"
#include "display/qt/display_fonts.h"

namespace korvel {

void StatusRows::add(const DeviceRect& rect, int left, int bottom, int px, const std::string& text,
                     BackingStore& store, DirtyArea& changed) {
    for (size_t i = 0; i < pending_.size();) {
        Row& p = pending_[i];
        if (p.rect == rect && p.left == left && p.bottom == bottom && p.px == px &&
            p.text.size() <= text.size()) {
            p.text = text;  // covers the pending one completely
            return;
        }
        if (overlap(p.rect, rect)) {
            draw(p, store, changed);
            pending_.erase(pending_.begin() + static_cast<ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    pending_.push_back(Row{rect, left, bottom, px, text});
    bounds_ = unite(bounds_, rect);
}

void StatusRows::flush(BackingStore& store, DirtyArea& changed) {
    for (const Row& p : pending_) draw(p, store, changed);
    pending_.clear();
}

void StatusRows::touch_rows(const DeviceRect& area, BackingStore& store, DirtyArea& changed) {
    for (size_t i = 0; i < pending_.size();) {
        if (overlap(pending_[i].rect, area)) {
            draw(pending_[i], store, changed);
            pending_.erase(pending_.begin() + static_cast<ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    std::erase_if(shown_, [&area](const Row& s) { return overlap(s.rect, area); });
    update_bounds();
}

void StatusRows::update_bounds() {
    bounds_ = {};
    for (const Row& p : pending_) bounds_ = unite(bounds_, p.rect);
    for (const Row& s : shown_) bounds_ = unite(bounds_, s.rect);
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

void StatusRows::draw(const Row& row, BackingStore& store, DirtyArea& changed) {
    // What the row's cells show now, where nothing else has drawn since they were drawn.
    std::string before;
    for (size_t i = 0; i < shown_.size();) {
        if (shown_[i].same_place(row)) {
            before = std::move(shown_[i].text);
        } else if (!overlap(shown_[i].rect, row.rect)) {
            ++i;
            continue;
        }
        shown_.erase(shown_.begin() + static_cast<ptrdiff_t>(i));
    }
    const Cells& c = cells(row.px);
    const DeviceRect& r = row.rect;
    const int top = row.bottom - c.height;
    const auto* strip = reinterpret_cast<const uint32_t*>(c.strip.constBits());
    const ptrdiff_t strip_stride = c.strip.bytesPerLine() / 4;
    const int y0 = std::max(top, r.top);
    const int y1 = std::min(top + c.height, r.bottom);
    for (size_t i = 0; i < row.text.size(); ++i) {
        if (i < before.size() && before[i] == row.text[i]) continue;  // shows it already
        const int ch = static_cast<unsigned char>(row.text[i]);
        const int index = (ch >= 32 && ch < 127 ? ch : '?') - 32;
        const int cell_left = row.left + static_cast<int>(i) * c.width;
        const int x0 = std::max(cell_left, r.left);
        const int x1 = std::min(cell_left + c.width, r.right);
        if (x0 >= r.right) break;
        if (x0 >= x1) continue;
        const uint32_t* src =
            strip + (y0 - top) * strip_stride + index * c.width + (x0 - cell_left);
        for (int y = y0; y < y1; ++y, src += strip_stride) {
            const uint32_t* from = src;
            store.for_each_run(y, x0, x1, [&from](uint32_t* p, int n) {
                std::copy_n(from, n, p);
                from += n;
            });
        }
        changed.add(DeviceRect{x0, y0, x1, y1});
    }
    // Cells beyond a shorter text keep the characters they showed.
    Row now = row;
    if (before.size() > now.text.size()) now.text += before.substr(now.text.size());
    shown_.push_back(std::move(now));
    update_bounds();
}

}  // namespace korvel
