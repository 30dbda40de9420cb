#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

#include "io/disk_file_opener.h"
#include "playback/player.h"
#include "shell/manual_window.h"
#include "shell/recent_files.h"
#include "shell/vorlex_doc.h"

namespace korvel {

class CMainFrame;
class QtUserInteraction;
class UserInteraction;
struct StartOptions;

// The application: it holds the playback session for the life of the process, runs start-up
// and handles the application's commands (About, Open, Close File, New, Manual). Every fatal
// error ends here: one message box, the files closed, and exit status 1.
class CVorlex_2App : public QObject {
    Q_OBJECT
  public:
    CVorlex_2App();
    ~CVorlex_2App() override;

    // Start-up. Returns false when the program is to end at once; exit_status() says how.
    bool InitInstance(const StartOptions& options);
    int exit_status() const { return exit_status_; }

    Player& player() { return player_; }
    PlaybackSession& session() { return session_; }
    CVorlex_2Doc& document() { return doc_; }
    CMainFrame* frame() const { return frame_.get(); }
    CDispHtml* manual_window() const { return manual_window_; }

    void OnAppAbout();
    void OnFileOpenData();
    void OnFileCloseData();
    void OnFileNew();
    void OnManual();

    // Opens path (its bytes) as Open does, with the Start Time dialog but no file dialog: a
    // dropped file. A path that is no longer a regular file, or cannot be read, is only
    // reported, in a message box that does not end the program.
    void open_existing(const std::string& path);
    // The same for an entry of the recent-file list; a file missing or unreadable also leaves
    // the list.
    void open_recent(const std::string& path);

    // Close File, then Open of path with the start time at the minute of the day given, without
    // dialogs, and playback started: what a click in the overview asks for. Minutes past the
    // day start at its last minute, minutes before it at midnight. A missing file is reported
    // as open_existing does, and the open file stays open.
    void reopen_at(const QByteArray& path, qint64 minute);

    // Shows text in one message box, closes the data and index files and ends the program
    // with exit status 1.
    void fatal(const QString& text);

  private:
    void run_open();
    void open_file_with(UserInteraction& ui);
    // Whether path is a regular file that can be opened for reading; if not, says why in a
    // message box that does not end the program (recent: the entry leaves the list).
    bool still_there(const std::string& path, bool recent);
    void end_event_loop();
    void after_file_change();
    void go_on_opening();  // another look at a recording Open waits for

    Player player_;
    PlaybackSession& session_ = player_.session();
    DiskFileOpener opener_;
    CVorlex_2Doc doc_;
    RecentFiles recent_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<QtUserInteraction> ui_;
    QPointer<CDispHtml> manual_window_;
    int exit_status_ = 0;
    bool ending_ = false;
};

}  // namespace korvel
