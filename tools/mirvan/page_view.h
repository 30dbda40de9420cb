#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

namespace korvel::mirvan {

// Where a page is shown: a band naming the two halves ("camera A" over the left one,
// "camera B" over the right one) above the page picture, which keeps one picture row per
// device pixel (sharp at any scale factor) and is narrowed to the widget when wider. With
// no page it shows a hint in the middle.
// What the rows of a page stand for: the ruler at its left gives their times of day.
struct PageScale {
    double first = 0.0;
    int lines_per_row = 1;
    double line_rate = 0.0;
};

class PageView : public QWidget {
  public:
    PageView();
    void set_page(const QImage& page, int camera_width, const PageScale& scale);
    void set_hint(const QString& hint);
    // Picture rows that fit below the band, in device pixels.
    int page_rows() const;
    std::function<void()> on_resize;  // the page is drawn anew for the new size

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    int band_height() const;

    QImage page_;
    int camera_width_ = 0;
    PageScale scale_;
    QString hint_;
};

}  // namespace korvel::mirvan
