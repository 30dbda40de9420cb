#include "display/qt/vorlex_view.h"

#include <QPaintEvent>
#include <QPainter>
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
    const DeviceRect r = canvas_.take_changed();
    if (is_empty(r)) return;
    // Device pixels to the widget's coordinates, rounded outward, and a pixel more for a
    // pixel ratio that is not whole.
    const qreal ratio = devicePixelRatioF();
    const int left = static_cast<int>(std::floor(r.left / ratio)) - 1;
    const int top = static_cast<int>(std::floor(r.top / ratio)) - 1;
    const int right = static_cast<int>(std::ceil(r.right / ratio)) + 1;
    const int bottom = static_cast<int>(std::ceil(r.bottom / ratio)) + 1;
    update(QRect(left, top, right - left, bottom - top));
}

void CVorlex_2View::paintEvent(QPaintEvent*) {
    fit_canvas();  // the pixel ratio changes without a resize when the window changes screens
    QPainter p(this);
    p.drawImage(QRectF(QPointF(0, 0), QSizeF(size())), canvas_.image());
}

void CVorlex_2View::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fit_canvas();
}

}  // namespace korvel
