#include "page_view.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "clock_text.h"
#include "page_picture.h"

namespace korvel::mirvan {

PageView::PageView() {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(200, 100);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PageView::set_page(const QImage& page, int camera_width, const PageScale& scale) {
    scale_ = scale;
    page_ = page;
    page_.setDevicePixelRatio(devicePixelRatioF());
    camera_width_ = camera_width;
    hint_.clear();
    update();
}

void PageView::set_hint(const QString& hint) {
    hint_ = hint;
    page_ = QImage();
    update();
}

int PageView::band_height() const {
    return fontMetrics().height() + 6;
}

int PageView::page_rows() const {
    const double rows = std::floor((height() - band_height()) * devicePixelRatioF());
    return std::max(1, static_cast<int>(rows));
}

void PageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (on_resize) on_resize();
}

void PageView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (page_.isNull()) {
        p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, hint_);
        return;
    }
    // The ruler's margin is kept free at the left; the picture is centred in the rest and
    // narrowed to it when wider.
    const double ruler = fontMetrics().horizontalAdvance("00:00:00.000 -") + 8;
    const double dpr = page_.devicePixelRatio();
    const double natural = page_.width() / dpr;
    const double shown = std::max(1.0, std::min<double>(natural, width() - ruler));
    const double scale = shown / natural;
    const double left = std::max(ruler, (width() - shown) / 2);
    const int band = band_height();
    p.drawImage(QRectF(left, band, shown, page_.height() / dpr), page_);

    const double half = camera_width_ / dpr * scale;
    const double gap = kCameraGap / dpr * scale;
    p.setPen(palette().windowText().color());
    p.drawText(QRectF(left, 0, half, band), Qt::AlignCenter, "camera A");
    p.drawText(QRectF(left + half + gap, 0, half, band), Qt::AlignCenter, "camera B");

    // The ruler: a time every hundred pixels or so, where the margin has room for it.
    const double text_width = ruler - 8;
    const int step = 100;
    for (int y = 0; y + fontMetrics().height() / 2 < page_.height() / dpr; y += step) {
        const double row = std::floor(y * dpr);
        const QString at = clock_text(scale_.first + row * scale_.lines_per_row, scale_.line_rate);
        p.drawText(QRectF(left - text_width - 4, band + y - fontMetrics().height() / 2.0,
                          text_width, fontMetrics().height()),
                   Qt::AlignRight | Qt::AlignVCenter, at + " -");
    }
}

}  // namespace korvel::mirvan
