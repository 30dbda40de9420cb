#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QSlider>

#include "scan_lines.h"

namespace korvel::mirvan {

// The window "MIRVAN": the scan lines of both cameras of one recording as still pictures,
// a page at a time. PageDown/PageUp (or Right/Left) turn a page, Down/Up move by a tenth,
// Home/End go to the first and last page; the slider goes anywhere.
class MirvanWindow : public QMainWindow {
    Q_OBJECT
  public:
    MirvanWindow();
    bool open(const QString& path);  // false (and a message) when it cannot be read
    double first_line() const { return first_; }
    int page_rows() const;
    const ScanLines& scan() const { return scan_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void choose_file();
    void go_to(double first);
    void show_page();
    double first_of_recording() const;
    double last_of_recording() const;

    ScanLines scan_;
    double first_ = 0.0;
    QLabel* picture_;
    QLabel* where_;
    QSlider* slider_;
};

}  // namespace korvel::mirvan
