#pragma once

#include <memory>
#include <string>

#include "display/display_view.h"
#include "display/qt/qt_canvas.h"
#include "replay_drawing.h"
#include "replay_options.h"

namespace korvel::replay {

// Draws every step on an offscreen Qt canvas of the view's client size, as the viewer's view
// does, and writes the picture to a PNG file at the end.
class SnapshotDrawing : public ReplayDrawing {
  public:
    SnapshotDrawing(std::string path, int width, int height);

    PlaybackView& view_for(PlaybackSession& session) override;
    bool finish(std::string& error) override;
    const QtCanvas& canvas() const { return canvas_; }

  private:
    std::string path_;
    QtCanvas canvas_;
    std::unique_ptr<DisplayView> view_;
};

// korvel-replay with --snapshot: a Qt application of its own on Qt's offscreen platform, the
// replay with drawing, and the picture. Returns the exit status.
int run_snapshot_replay(const ReplayOptions& options, std::FILE* out, std::FILE* err);

}  // namespace korvel::replay
