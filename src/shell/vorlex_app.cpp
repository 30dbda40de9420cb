#include "shell/vorlex_app.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "commands/close_file.h"
#include "commands/open_file.h"
#include "commands/open_file_reading.h"
#include "common/fatal_error.h"
#include "display/qt/playback_controller.h"
#include "display/qt/vorlex_view.h"
#include "shell/about_dlg.h"
#include "shell/command_ids.h"
#include "shell/command_line.h"
#include "shell/dialog_runner.h"
#include "shell/display_text.h"
#include "shell/main_frame.h"
#include "shell/manual_window.h"
#include "shell/preset_start_time.h"
#include "shell/qt_user_interaction.h"
#include "shell/shell_texts.h"
#include "shell/startup_splash.h"

namespace korvel {
namespace {

std::string current_directory() {
    // The path as the system gives it, not a cleaned-up form, so its length is the real one.
    std::string buffer(4096, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) return std::string();
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

}  // namespace

CVorlex_2App::CVorlex_2App() = default;

CVorlex_2App::~CVorlex_2App() {
    if (manual_window_) delete manual_window_.data();
}

bool CVorlex_2App::InitInstance(const StartOptions& options) {
    CStartupSplash::Enable(options.show_splash);
    qApp->installEventFilter(CStartupSplash::app_filter());
    qApp->setQuitOnLastWindowClosed(false);

    frame_ = std::make_unique<CMainFrame>(*this);
    ui_ = std::make_unique<QtUserInteraction>(*frame_, recent_);
    frame_->update_recent_menu(recent_.files());
    connect(frame_.get(), &CMainFrame::closed, this, [this] {
        if (manual_window_) manual_window_->close();
        end_event_loop();
    });
    PlaybackController* playback = frame_->playback();
    connect(playback, &PlaybackController::fatalError, this, &CVorlex_2App::fatal);
    connect(playback, &PlaybackController::endOfFile, frame_.get(),
            &CMainFrame::show_end_of_file);
    connect(playback, &PlaybackController::waitingForData, frame_.get(),
            &CMainFrame::show_waiting_for_data);
    connect(playback, &PlaybackController::dataArrived, frame_.get(), &CMainFrame::show_idle);
    connect(playback, &PlaybackController::stepped, frame_.get(), &CMainFrame::update_position);
    connect(playback, &PlaybackController::openWaiting, this, &CVorlex_2App::go_on_opening);

    apply_start_up(session_, start_up_directory(current_directory()), options.data_path);
    // The instrument writes today's file while it records: a record cut by the file's end,
    // and a header, index or start minute not yet written, are waited for (the follow grace
    // without growth makes them what they would be at once).
    player_.set_follow(FollowMode::wait_at_cut);
    if (!session_.cmd_line_path.empty()) {
        run_open();
        if (ending_) return false;
        if (options.play && session_.open_document != nullptr) {
            frame_->set_playback_running(1);
        }
    }
    frame_->show();
    // The picture stays in front of the window that appears under it.
    if (CStartupSplash* splash = CStartupSplash::instance()) splash->raise();
    return true;
}

void CVorlex_2App::end_event_loop() {
    // Asked with no loop running, QCoreApplication::exit would make every later event loop
    // return at once; start-up reports its end through InitInstance's result instead.
    if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(exit_status_);
}

void CVorlex_2App::run_open() {
    // Another file is about to be opened: an overview still being computed is of no more use.
    if (session_.open_document == nullptr && frame_) frame_->cancel_overview();
    open_file_with(*ui_);
}

void CVorlex_2App::open_file_with(UserInteraction& ui) {
    const bool was_open = session_.open_document != nullptr;
    try {
        open_file(session_, doc_.core(), ui, opener_);
    } catch (const FatalError& e) {
        ui_->forget_recent_file();
        fatal(display_text(e.text()));
        return;
    }
    // Only a file that Open has opened goes into the recent list; one that Open waits for
    // goes in once it is read.
    if (open_waiting(session_)) {
        after_file_change();
        return;
    }
    if (!was_open && session_.open_document != nullptr) {
        ui_->commit_recent_file();
    } else {
        ui_->forget_recent_file();
    }
    after_file_change();
}

bool CVorlex_2App::still_there(const std::string& path, bool recent) {
    // Asked before the Start Time dialog: a file that cannot be read would otherwise end the
    // program once the time is chosen. A named pipe must not hold the open up, hence the
    // test for a regular file first and O_NONBLOCK.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        const char* text = recent ? texts::kFileGoneRecent : texts::kFileGone;
        show_korvel_message(frame_.get(), QString(text).arg(display_text(path)), true);
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    const char* text = recent ? texts::kFileUnreadableRecent : texts::kFileUnreadable;
    show_korvel_message(frame_.get(), QString(text).arg(display_text(path), reason), true);
    return false;
}

void CVorlex_2App::after_file_change() {
    if (!frame_) return;
    frame_->show_open_state();
    frame_->update_position();
}

void CVorlex_2App::go_on_opening() {
    try {
        read_recording(session_, doc_.core(), *ui_);
    } catch (const FatalError& e) {
        ui_->forget_recent_file();
        fatal(display_text(e.text()));
        return;
    }
    if (!open_waiting(session_)) ui_->commit_recent_file();
    after_file_change();
}

void CVorlex_2App::OnFileOpenData() {
    session_.cmd_line_path.clear();
    run_open();
}

void CVorlex_2App::open_existing(const std::string& path) {
    // While a file is open, Open only says so; the path must not wait for a later Open.
    if (session_.open_document == nullptr) {
        if (!still_there(path, false)) return;
        session_.cmd_line_path = path;
    }
    run_open();
}

void CVorlex_2App::open_recent(const std::string& path) {
    if (session_.open_document == nullptr) {
        if (!still_there(path, true)) {
            recent_.remove(path);
            if (frame_) frame_->update_recent_menu(recent_.files());
            return;
        }
        session_.cmd_line_path = path;
    }
    run_open();
}

void CVorlex_2App::OnFileCloseData() {
    if (frame_) frame_->cancel_overview();
    close_file(session_, doc_.core(), *ui_);
    after_file_change();
}

void CVorlex_2App::reopen_at(const QByteArray& path, qint64 minute) {
    if (ending_ || !ui_) return;
    const std::string bytes = path.toStdString();
    if (!still_there(bytes, false)) return;
    if (session_.open_document != nullptr) OnFileCloseData();
    const auto m = static_cast<int>(std::clamp<qint64>(minute, 0, 24 * 60 - 1));
    PresetStartTime preset(*ui_, m / 60, m % 60, 0);
    session_.cmd_line_path = bytes;
    open_file_with(preset);
    if (session_.open_document != nullptr && frame_) frame_->set_playback_running(1);
}

void CVorlex_2App::OnFileNew() {
    doc_.new_document();
}

void CVorlex_2App::OnAppAbout() {
    frame_->set_playback_running(0);
    CAboutDlg dialog(frame_.get());
    if (DialogRunner::current().run(dialog, QString()) == QDialog::Accepted) {
        frame_->set_playback_running(1);
    }
}

void CVorlex_2App::OnManual() {
    if (manual_window_) return;
    manual_window_ = new CDispHtml(manual_start_page());
    manual_window_->show();
}

void CVorlex_2App::fatal(const QString& text) {
    if (ending_) return;
    ending_ = true;
    session_.playback_running = 0;
    show_korvel_message(frame_.get(), text);
    // Nothing is saved; the files are closed and the program ends, telling whatever started
    // it that the data could not be used.
    session_.data_file.reset();
    session_.index_file.reset();
    exit_status_ = 1;
    if (frame_ && frame_->isVisible()) {
        frame_->close();
    } else {
        end_event_loop();
    }
}

}  // namespace korvel
