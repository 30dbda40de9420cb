#include "display/qt/vorlex_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>
#include <cmath>

namespace korvel {

CVorlex_2View::CVorlex_2View(PlaybackSession& session, QWidget* parent)
    : QWidget(parent), display_(session, canvas_) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Inside a run of steps the changes are shown once, when the steps are done.
    canvas_.set_update_callback([this] {
        if (!in_steps_) show_changes();
    });
    fit_canvas();
}

CVorlex_2View::StepDrawing::StepDrawing(CVorlex_2View& view) : view_(view) {
    view_.fit_canvas();
    view_.in_steps_ = true;
}

void CVorlex_2View::StepDrawing::finish() {
    if (done_) return;
    done_ = true;
    view_.in_steps_ = false;
    view_.show_changes();
}

QSize CVorlex_2View::device_size() const {
    const qreal ratio = devicePixelRatioF();
    return QSize(static_cast<int>(std::lround(width() * ratio)),
                 static_cast<int>(std::lround(height() * ratio)));
}

void CVorlex_2View::fit_canvas() {
    canvas_.set_dpi_y(logicalDpiY());
    if (canvas_.size() != device_size()) canvas_.resize(device_size());
}

QImage CVorlex_2View::picture() const {
    QImage shown = canvas_.image();
    shown.setDevicePixelRatio(devicePixelRatioF());
    return shown;
}

void CVorlex_2View::show_changes() {
    const DirtyArea changed = canvas_.take_changed();
    if (changed.empty()) return;
    // Device pixels to the widget's coordinates, rounded outward, and a pixel more for a
    // pixel ratio that is not whole.
    const qreal ratio = devicePixelRatioF();
    QRegion region;
    for (const DeviceRect& r : changed) {
        const int left = static_cast<int>(std::floor(r.left / ratio)) - 1;
        const int top = static_cast<int>(std::floor(r.top / ratio)) - 1;
        const int right = static_cast<int>(std::ceil(r.right / ratio)) + 1;
        const int bottom = static_cast<int>(std::ceil(r.bottom / ratio)) + 1;
        region += QRect(left, top, right - left, bottom - top);
    }
    update(region);
}

void CVorlex_2View::paintEvent(QPaintEvent* event) {
    fit_canvas();  // the pixel ratio changes without a resize when the window changes screens
    QPainter p(this);
    const qreal ratio = devicePixelRatioF();
    if (ratio != std::round(ratio)) {
        // A ratio that is not whole scales the picture as a whole; piece by piece the
        // scaled edges would fall elsewhere.
        p.drawImage(QRectF(QPointF(0, 0), QSizeF(size())), canvas_.image());
        return;
    }
    // Device pixels one to one: the changed rectangles straight from the canvas's store,
    // a piece for each stretch of rows it keeps together, with no composed copy.
    p.scale(1 / ratio, 1 / ratio);
    const QImage& stored = canvas_.stored();
    const auto whole = [ratio](int v) { return static_cast<int>(std::lround(v * ratio)); };
    for (const QRect& logical : event->region()) {
        const DeviceRect r{whole(logical.left()), whole(logical.top()), whole(logical.right() + 1),
                           whole(logical.bottom() + 1)};
        canvas_.for_each_piece(r, [&p, &stored](const DeviceRect& source, int x, int y) {
            p.drawImage(QPoint(x, y), stored,
                        QRect(source.left, source.top, source.right - source.left,
                              source.bottom - source.top));
        });
    }
}

void CVorlex_2View::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fit_canvas();
}

}  // namespace korvel
