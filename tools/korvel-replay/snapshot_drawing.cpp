#include "snapshot_drawing.h"

#include <unistd.h>

#include <QGuiApplication>
#include <QImageWriter>
#include <cstdlib>
#include <filesystem>

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
    QImageWriter writer(QString::fromStdString(path_), "png");
    if (writer.write(canvas_.image())) return true;
    error = "can't write " + path_ + ": " + writer.errorString().toStdString();
    return false;
}

std::string snapshot_path_problem(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path p(path);
    if (fs::is_directory(p, ec)) return path + " is a directory";
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::is_directory(dir, ec)) return "no directory " + dir.string();
    if (fs::exists(p, ec) ? access(path.c_str(), W_OK) != 0 : access(dir.c_str(), W_OK) != 0)
        return "can't write " + path;
    return {};
}

int run_snapshot_replay(const ReplayOptions& options, std::FILE* out, std::FILE* err) {
    const std::string problem = snapshot_path_problem(options.snapshot);
    if (!problem.empty()) {
        std::fprintf(err, "korvel-replay: %s\n", problem.c_str());
        return 2;
    }
    // A replay runs where there is no display, on a server or in CI.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "korvel-replay";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    SnapshotDrawing drawing(options.snapshot, options.snapshot_width, options.snapshot_height);
    return run_replays(options, out, err, &drawing);
}

}  // namespace korvel::replay
