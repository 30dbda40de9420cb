#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSize>
#include <functional>
#include <optional>

#include "display/canvas.h"

namespace korvel {

// The canvas on a backing image of the view's client size in device pixels: the picture the
// window shows and repaints from. Lines, fills and scrolls work on the pixels directly (one
// device pixel wide, end points left out, no smoothing); text goes through QPainter.
class QtCanvas : public Canvas {
  public:
    explicit QtCanvas(int dpi_y = 96);

    // A new client size clears the picture: the frame changes with the size.
    void resize(QSize device_pixels);
    const QImage& image() const { return image_; }
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
    QPainter& painter();   // opened on first use within a drawing call
    uint32_t* row(int y);  // ends text painting, so the pixels can be written directly
    DeviceRect to_device(const LogicalRect& rect) const;
    DeviceRect drawable() const;                        // the clip rectangle within the image
    void span(int y, int x0, int x1, uint32_t colour);  // pixels [x0, x1) of row y, clipped
    const QFont& font_for(std::optional<QFont>& cache, int& cached_px, int px, bool scale);

    QImage image_;
    QPainter painter_;
    Frame frame_;
    int dpi_y_;
    std::optional<DeviceRect> clip_;
    std::function<void()> on_update_;
    std::optional<QFont> status_font_;
    int status_px_ = 0;
    std::optional<QFont> scale_font_;
    int scale_px_ = 0;
};

}  // namespace korvel
