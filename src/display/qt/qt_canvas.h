#pragma once

#include <QImage>
#include <QSize>
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "display/canvas.h"
#include "display/qt/backing_store.h"
#include "display/qt/dirty_area.h"
#include "display/qt/scale_labels.h"
#include "display/qt/status_rows.h"

namespace korvel {

// The canvas on a backing store of the view's client size in device pixels: the picture the
// window shows and repaints from. Lines, fills and scrolls work on the stored pixels directly
// (one device pixel wide, end points left out, no smoothing); a scroll turns the rows of the
// area rather than moving them; status rows are copied from the cells StatusRows keeps, and
// drawn late; scale labels from masks of their pixels.
class QtCanvas : public Canvas {
  public:
    explicit QtCanvas(int dpi_y = 96);

    // A new client size clears the picture: the frame changes with the size.
    void resize(QSize device_pixels);
    // The picture, complete: status rows still pending are drawn first, and what changed
    // since it was last looked at is brought over from the store.
    const QImage& image();
    QSize size() const { return QSize(store_.width(), store_.height()); }
    // Draws the status rows still pending, as looking at the picture would.
    void complete() {
        store_.settle();
        rows_.flush(store_, changed_);
    }
    // The picture without composing it: the pieces of the stored image that show the
    // visible pixels of r, as BackingStore::for_each_piece gives them, with the pending
    // status rows drawn first. stored() is what the sources lie in.
    template <class Piece>
    void for_each_piece(const DeviceRect& r, Piece&& piece) {
        complete();
        store_.for_each_piece(intersect(r, whole()), piece);
    }
    const QImage& stored() const { return store_.stored(); }
    // The device pixels changed since the last call (status rows still pending included).
    DirtyArea take_changed();
    // Called whenever a drawing call asks the window to show what it drew.
    void set_update_callback(std::function<void()> callback) { on_update_ = std::move(callback); }
    void set_dpi_y(int dpi) { dpi_y_ = dpi; }

    void begin(const Frame& frame) override;
    void end() override;
    int dpi_y() const override { return dpi_y_; }
    void fill_rect(const LogicalRect& rect, Rgb colour) override;
    void line(LogicalPoint from, LogicalPoint to, Rgb colour) override;
    void level_lines(const LevelLine* lines, int count, Rgb colour) override;
    void particle_rows(int first_y, const Segment* segments, int count, int offset,
                       Rgb colour) override;
    void status_row(const LogicalRect& rect, const std::string& text, int font_height) override;
    void scale_label(LogicalPoint at, const std::string& text) override;
    void set_clip(const LogicalRect& rect) override;
    void clear_clip() override;
    void scroll_down(int units) override;
    void update_window() override;

  private:
    // A logical coordinate mapped through mapping_, looked up where the frame's points lie.
    int device_x(int x) const {
        return static_cast<unsigned>(x) < x_of_.size() ? x_of_[static_cast<size_t>(x)]
                                                       : mapping_.x(x);
    }
    int device_y(int y) const {
        const auto i = static_cast<unsigned>(y - kFirstTabledY);
        return i < y_of_.size() ? y_of_[i] : mapping_.y(y);
    }
    void set_mapping();  // mapping_ and its tables for frame_ on the picture's size
    DeviceRect whole() const { return {0, 0, store_.width(), store_.height()}; }
    // As mapping_.rect maps it, through the tables.
    DeviceRect to_device(const LogicalRect& rect) const {
        const int x0 = device_x(rect.left), x1 = device_x(rect.right);
        const int y0 = device_y(rect.low), y1 = device_y(rect.high);
        return DeviceRect{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    }
    DeviceRect drawable() const { return drawable_; }  // the clip rectangle within the picture
    void update_drawable();
    // Something is about to be drawn into area (within the picture).
    void touch(const DeviceRect& area) {
        store_.settle();
        rows_.touch(area, store_, changed_);
        changed_.add(area);
    }
    void span(int y, int x0, int x1, uint32_t colour);  // pixels [x0, x1) of row y, clipped
    // Level lines line_at(0) to line_at(count - 1), in batches.
    template <class LineAt>
    void draw_level(int count, LineAt&& line_at, uint32_t colour);
    void sloped_line(int x0, int y0, int x1, int y1, uint32_t colour);
    void walk_inside(int x0, int y0, int x1, int y1, uint32_t colour,
                     const BackingStore::RowStep& step);

    void settle();  // changed_ into stale_ and unshown_

    BackingStore store_;
    QImage shown_;       // the picture as the window shows it
    DirtyArea changed_;  // drawn into since the last settle
    DirtyArea stale_;    // where shown_ is behind the store
    DirtyArea unshown_;  // drawn into since take_changed
    StatusRows rows_;
    ScaleLabels labels_;
    Frame frame_;
    // The frame's one mapping on the picture's size, redone when either changes: every end
    // point and rectangle goes through it.
    FrameMapping mapping_{Frame{}, 1, 1};
    // Its results for the logical x of both halves and the y of the frame and a margin
    // around it: a line's end points are mapped hundreds of thousands of times a second,
    // and a look-up is cheaper than the arithmetic, with the same result by construction.
    static constexpr int kFirstTabledY = -128;
    std::vector<int> x_of_;
    std::vector<int> y_of_;  // from kFirstTabledY
    QSize mapped_size_;
    int dpi_y_;
    std::optional<DeviceRect> clip_;
    DeviceRect drawable_;
    std::function<void()> on_update_;
};

}  // namespace korvel
