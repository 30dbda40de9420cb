#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QSlider>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

#include "page_view.h"
#include "recording_index.h"

namespace korvel::mirvan {

// The window "MIRVAN": the scan lines of both cameras of one recording as still pictures,
// a page at a time. Opening a file indexes it on a worker thread (the window stays live and
// shows how far it has come); pages are then decoded from the file as they are shown.
// PageDown/PageUp (or Right/Left, Space) turn a page, jumping over stretches without lines;
// Down/Up move by a tenth, Home/End go to the first and last page; the slider goes
// anywhere, the time field to a time of day, the lines-per-row box sets how many scan lines
// one picture row shows.
class MirvanWindow : public QMainWindow {
    Q_OBJECT
  public:
    static constexpr int kLinesPerRow[] = {1, 2, 5, 10, 50, 200};

    MirvanWindow();
    ~MirvanWindow() override;
    // The first window's size made to fit the screen it is on, less room for the window
    // manager's frame (a grab, drawn for a file, keeps the full size).
    void fit_to_screen();
    // Starts indexing path; false (and a message) when it cannot be opened.
    bool open(const QString& path);
    bool ready() const { return index_ != nullptr; }  // the open file is indexed
    double first_line() const { return first_; }
    int page_rows() const;
    int lines_per_row() const;
    void set_lines_per_row(int lines);     // one of kLinesPerRow
    bool go_to_time(const QString& text);  // false (and a message) for a time it can't use
    RecordingIndex* index() { return index_.get(); }
    QString status_text() const { return where_->text(); }
    QString problem_text() const { return problem_->text(); }
    const QLabel* problem_label() const { return problem_; }
    const QLabel* status_label() const { return where_; }
    QLineEdit* time_field() { return time_; }
    // Where open() tells why a file cannot be opened; a message box when not set.
    std::function<void(const QString&)> report_failure;

  signals:
    void indexed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void choose_file();
    void stop_indexing();
    void show_progress();
    void take_index();
    void go_to(double first);
    void turn_page(int direction);
    void show_page();
    double first_of_recording() const;
    double last_of_recording() const;
    double page_lines() const;

    std::unique_ptr<RecordingIndex> index_;
    std::unique_ptr<RecordingIndex> pending_;  // being indexed by worker_
    IndexProgress progress_;
    QThread* worker_ = nullptr;
    unsigned indexing_run_ = 0;  // counts the workers started
    QTimer progress_timer_;
    QString name_;
    double first_ = 0.0;
    PageView* view_;
    QLabel* where_;
    QLabel* problem_;
    QSlider* slider_;
    QLabel* slider_from_;
    QLabel* slider_to_;
    QComboBox* lines_per_row_;
    QLineEdit* time_;
};

}  // namespace korvel::mirvan
