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

namespace korvel {

// The canvas on a backing image of the view's client size in device pixels: the picture the
// window shows and repaints from. Lines, fills and scrolls work on the pixels directly (one
// device pixel wide, end points left out, no smoothing); text goes through QPainter.
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
    // The status font's characters, each drawn once on its grey cell: a status row is then
    // a row of cell copies, which costs far less than shaping and drawing the text anew for
    // each of the many rows a step of the synchronous view draws.
    struct StatusCells {
        int px = 0;  // em height they were drawn at
        int width = 0;
        int height = 0;
        QImage strip;  // the cells of characters 32 to 126 side by side
    };

    QPainter& painter();  // opened on first use within a drawing call
    // A row of pixels to write directly. Ends text painting first; the pixel pointer is
    // taken once per drawing call rather than per pixel.
    uint32_t* row(int y) {
        if (painting_) end_painting();
        return bits_ + static_cast<ptrdiff_t>(y) * stride_;
    }
    void end_painting();
    void take_bits();
    const StatusCells& status_cells(int px);

    // Status rows are drawn late. A step of the synchronous view redraws the same three rows
    // for each of its hundreds of matching outcomes; a row redrawn in the same rectangle with
    // a text at least as long covers the earlier one completely, so only the last one is
    // drawn, when anything else is about to touch its pixels or the picture is looked at.
    // The pixels come out the same.
    struct PendingRow {
        DeviceRect rect;  // within the image
        int left = 0;     // where the text starts (the rectangle's left edge)
        int bottom = 0;   // the rectangle's lower edge, on which the cells stand
        int px = 0;
        std::string text;
    };
    void flush_rows();
    void flush_rows_touching(const DeviceRect& area);
    void draw_row(const PendingRow& row);
    DeviceRect to_device(const LogicalRect& rect) const;
    DeviceRect drawable() const { return drawable_; }  // the clip rectangle within the image
    void update_drawable();
    // The frame's mapping of a line's end points, the hot path of every drawing call: the
    // same rounding as device_x and device_y, with the factors worked out once per call.
    int map_x(int x) const { return round_pixel(x * width_ / extent_x_); }
    int map_y(int y) const {
        return round_pixel((Frame::kOriginY - static_cast<double>(y)) * height_ / Frame::kExtentY);
    }
    static int round_pixel(double v) {
        constexpr double kLimit = 1 << 28;
        if (!(v > -kLimit)) return -(1 << 28);
        if (!(v < kLimit)) return 1 << 28;
        const int t = static_cast<int>(v + 0.5);  // truncates toward zero...
        return t - (v + 0.5 < t ? 1 : 0);         // ...so step down below zero: floor
    }
    void span(int y, int x0, int x1, uint32_t colour);  // pixels [x0, x1) of row y, clipped
    const QFont& font_for(std::optional<QFont>& cache, int& cached_px, int px, bool scale);

    QImage image_;
    QPainter painter_;
    bool painting_ = false;
    uint32_t* bits_ = nullptr;
    ptrdiff_t stride_ = 0;  // in pixels
    StatusCells cells_;
    std::vector<PendingRow> pending_;
    Frame frame_;
    int dpi_y_;
    std::optional<DeviceRect> clip_;
    DeviceRect drawable_;
    double width_ = 1.0;  // the image's size and the frame's x extent, for map_x and map_y
    double height_ = 1.0;
    double extent_x_ = 1.0;
    std::function<void()> on_update_;
    std::optional<QFont> scale_font_;
    int scale_px_ = 0;
};

}  // namespace korvel
