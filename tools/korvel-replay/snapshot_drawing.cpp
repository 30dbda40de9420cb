#include "snapshot_drawing.h"

#include "offscreen_app.h"
#include "png_file.h"
#include "replay_jobs.h"

namespace korvel::replay {

SnapshotDrawing::SnapshotDrawing(std::string path, int width, int height) : path_(std::move(path)) {
    canvas_.resize(QSize(width, height));
}

PlaybackView& SnapshotDrawing::view_for(PlaybackSession& session) {
    view_ = std::make_unique<DisplayView>(session, canvas_);
    return *view_;
}

bool SnapshotDrawing::finish(std::string& error) {
    if (write_png_file(canvas_.image(), path_, error)) return true;
    error = "cannot write " + path_ + ": " + error;
    return false;
}

int run_snapshot_replay(const ReplayOptions& options, std::FILE* out, std::FILE* err) {
    const auto app = make_offscreen_app();
    SnapshotDrawing drawing(options.snapshot, options.snapshot_width, options.snapshot_height);
    return run_replays(options, out, err, &drawing);
}

}  // namespace korvel::replay
