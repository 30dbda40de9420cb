// The main frame's overview command: one overview window of the open recording, whose clicks
// reopen the recording at the minute clicked.

#include "shell/main_frame.h"
#include "shell/overview_window.h"
#include "shell/shell_texts.h"
#include "shell/vorlex_app.h"

namespace korvel {

void CMainFrame::OnOverview() {
    const PlaybackSession& s = session_;
    if (s.open_document == nullptr) {
        show_message({PaneState::overview_needs_file});
        return;
    }
    // After Ctrl+N the document has no path: there is no recording to compute.
    const std::string& path = s.open_document->path_name;
    if (path.empty()) {
        show_message({PaneState::overview_no_recording});
        return;
    }
    // A finished or running overview of this file is shown again; one that was cancelled or
    // failed, or one of another file, is computed afresh.
    const bool reusable = overview_ && overview_->path() == path &&
                          (overview_->outcome() == OverviewWindow::Outcome::done ||
                           overview_->outcome() == OverviewWindow::Outcome::computing);
    if (reusable) {
        overview_->show();
        overview_->raise();
        overview_->activateWindow();
        return;
    }
    if (overview_) overview_->close();
    overview_ = new OverviewWindow(path, s.work_dir, this);
    connect(overview_, &OverviewWindow::minuteChosen, &app_, &CVorlex_2App::reopen_at);
    overview_->show();
}

OverviewWindow* CMainFrame::overview_window() const {
    return overview_.data();
}

void CMainFrame::cancel_overview() {
    if (overview_) overview_->cancel();
}

}  // namespace korvel
