#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "display/canvas.h"
#include "display/qt/status_rows.h"

namespace korvel {

// The canvas on a backing image of the view's client size in device pixels: the picture the
// window shows and repaints from. Lines, fills and scrolls work on the pixels directly (one
// device pixel wide, end points left out, no smoothing); status rows are copied from the
// cells StatusRows keeps, and drawn late; scale labels go through QPainter.
class QtCanvas : public Canvas {
  public:
    explicit QtCanvas(int dpi_y = 96);

    // A new client size clears the picture: the frame changes with the size.
    void resize(QSize device_pixels);
    // The picture, complete: status rows still pending are drawn first.
    const QImage& image() {
        flush_rows();
        return image_;
    }
    QSize size() const { return image_.size(); }
    // Called whenever a drawing call asks the window to show what it drew.
    void set_update_callback(std::function<void()> callback) { on_update_ = std::move(callback); }
    void set_dpi_y(int dpi) { dpi_y_ = dpi; }

    void begin(const Frame& frame) override;
    void end() override;
    int dpi_y() const override { return dpi_y_; }
    void fill_rect(const LogicalRect& rect, Rgb colour) override;
    void line(LogicalPoint from, LogicalPoint to, Rgb colour) override;
    void status_row(const LogicalRect& rect, const std::string& text, int font_height) override;
    void scale_label(LogicalPoint at, const std::string& text) override;
    void set_clip(const LogicalRect& rect) override;
    void clear_clip() override;
    void scroll_down(int units) override;
    void update_window() override;

  private:
    QPainter& painter();  // opened on first use within a drawing call
    // A row of pixels to write directly. Ends text painting first; the pixel pointer is
    // taken once per drawing call rather than per pixel.
    uint32_t* row(int y) {
        if (painting_) end_painting();
        return bits_ + static_cast<ptrdiff_t>(y) * stride_;
    }
    // The pixels for direct writing, text painting ended first.
    PixelRows pixels() {
        if (painting_) end_painting();
        return PixelRows{bits_, stride_};
    }
    void end_painting();
    void take_bits();

    void flush_rows();
    void flush_rows_touching(const DeviceRect& area);
    DeviceRect to_device(const LogicalRect& rect) const { return mapping_.rect(rect); }
    DeviceRect drawable() const { return drawable_; }  // the clip rectangle within the image
    void update_drawable();
    void span(int y, int x0, int x1, uint32_t colour);  // pixels [x0, x1) of row y, clipped
    const QFont& font_for(std::optional<QFont>& cache, int& cached_px, int px, bool scale);

    QImage image_;
    QPainter painter_;
    bool painting_ = false;
    uint32_t* bits_ = nullptr;
    ptrdiff_t stride_ = 0;  // in pixels
    StatusRows rows_;       // status rows not drawn yet
    Frame frame_;
    // The frame's one mapping on the image's size, redone when either changes: every end
    // point and rectangle goes through it.
    FrameMapping mapping_{Frame{}, 1, 1};
    int dpi_y_;
    std::optional<DeviceRect> clip_;
    DeviceRect drawable_;
    std::function<void()> on_update_;
    std::optional<QFont> scale_font_;
    int scale_px_ = 0;
};

}  // namespace korvel
