#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

#include "display/display_view.h"
#include "display/qt/qt_canvas.h"
#include "playback/playback_session.h"

namespace korvel {

// The viewer's one view window. It keeps the picture in a backing image of its client size,
// so a window that is covered and uncovered shows it again; only a change of size clears it,
// since the drawing frame changes with the size. The playback steps (PlaybackController) draw
// on playback_view().
class CVorlex_2View : public QWidget {
    Q_OBJECT
  public:
    CVorlex_2View(PlaybackSession& session, QWidget* parent = nullptr);

    // The backing image as shown: device pixels, with its device pixel ratio.
    QImage picture() const;
    // The drawing the playback steps of this view go to.
    PlaybackView& playback_view() { return display_; }

    // Around a run of steps: the canvas fits the widget first, and what the steps change is
    // shown once, when they are done (finish(), or the end of the scope).
    class StepDrawing {
      public:
        explicit StepDrawing(CVorlex_2View& view);
        ~StepDrawing() { finish(); }
        StepDrawing(const StepDrawing&) = delete;
        StepDrawing& operator=(const StepDrawing&) = delete;
        void finish();

      private:
        CVorlex_2View& view_;
        bool done_ = false;
    };

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QSize device_size() const;
    void fit_canvas();  // a new size (or pixel ratio) starts a new, empty picture
    void show_changes();  // asks for a repaint of what the canvas changed

    // Looking at the picture completes the status rows the canvas draws late, so even the
    // const picture() changes the canvas's state (not what it shows).
    mutable QtCanvas canvas_;
    DisplayView display_;
    bool in_steps_ = false;
};

}  // namespace korvel
