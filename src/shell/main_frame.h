#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <string>
#include <vector>

#include "shell/message_pane.h"

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QToolBar;

namespace korvel {

class CVorlex_2App;
class CVorlex_2View;
class PlaybackController;
class OverviewWindow;
struct PlaybackSession;

// The speeds the toolbar offers: steps per tick of the 200 ms timer; 0 is "max", as many
// steps as fit in about 150 ms of a tick; -1 is "real time", one second of recording a second
// (x1 is the instrument's pace of one camera-A record per tick, whatever time that covers).
struct SpeedChoice {
    const char* label;
    int steps_per_tick;
};
inline constexpr SpeedChoice kSpeedChoices[] = {
    {"x1", 1},   {"real time", -1}, {"x2", 2},     {"x5", 5},
    {"x10", 10}, {"x50", 50},       {"x200", 200}, {"max", 0}};

// The main window: menu, accelerators, toolbar, status bar and the one view. Each command is
// one QAction carrying its text, shortcut, status tip and numeric id; the menu, the toolbar
// and the keyboard all reach that one action. It owns the four playback commands (Start, Stop
// and the two views), which only set the session's flags; the next playback step acts on them.
// The check marks are derived from the flags in one place (show_playback_flags). Opening a
// menu or highlighting one of its items pauses playback; accelerators and the toolbar do not.
class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    explicit CMainFrame(CVorlex_2App& app);

    CVorlex_2View* view() const { return view_; }
    PlaybackController* playback() const { return playback_; }
    // The one action of a command id (menu item, toolbar button and accelerator alike).
    QAction* action(int command_id) const { return commands_.value(command_id); }
    QMenu* file_menu() const { return file_menu_; }
    QMenu* view_menu() const { return view_menu_; }  // later tools add their items here
    QToolBar* tool_bar() const { return tool_bar_; }
    QComboBox* speed_selector() const { return speed_; }
    QLabel* message_pane() const { return message_; }
    QLabel* position_field() const { return position_; }
    const QList<QAction*>& recent_actions() const { return recent_actions_; }

    // The recent-file entries: each is the path's bytes as the system gave them.
    void update_recent_menu(const std::vector<std::string>& files);
    void repaint_view();
    void show_end_of_file();  // END OF FILE, or that the file shrank below what was read
    void show_waiting_for_data();  // the recording is being written; playback goes on by itself
    void show_idle();         // "Bereit" in the message pane
    // What an Open that waits for a recording still being created waits for, or "Bereit".
    void show_open_state();
    void show_message(PaneMessage message);  // every text of the message pane comes here
    const PaneMessage& pane_message() const { return pane_; }
    void update_position();  // the "where am I" field
    void set_speed(int index);

    // The playback flags as the commands set them; each sets the check marks from the flags.
    void set_playback_running(int running);
    void select_view(bool sync);
    // Sets Start, Stop and the two views' check marks (and so the toolbar's) from the flags.
    void show_playback_flags();

    // The overview window, while one is open.
    OverviewWindow* overview_window() const;
    // Stops an overview computation still running (the file is closed or another one opened).
    void cancel_overview();

    // Writes the view's picture as shown, in device pixels, as PNG: to a temporary file beside
    // path, renamed into place when complete. Returns false with the reason in error.
    bool save_picture(const std::string& path, QString& error) const;
    // A path our output must not land on: a recording's name (.ab, .abh), or the open
    // recording or its index, by the device and inode of the files the viewer holds open
    // (whatever they are called now). Says so in a warning naming the file and returns true.
    bool refuse_output(const std::string& path);
    // Whether path may be written: a name not taken, or the user's yes to replacing it.
    bool confirm_replace(const std::string& path);

  signals:
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void build_commands();
    void build_menu();
    void build_tool_bar();
    void build_status_bar();
    void fit_to_screen();
    QAction* command(int id, const QString& text, const QString& prompt,
                     const QKeySequence& key = QKeySequence());
    void watch_for_pause(QMenu* menu);
    void pause_playback();

    void OnStart();
    void OnStop();
    void OnAsyncView();
    void OnSyncView();
    void OnMirvan();
    void OnFrameOpen();
    void OnExit();
    void OnSavePicture();
    void OnOverview();
    void OnPrint();
    void OnFileNew();

    CVorlex_2App& app_;
    PlaybackSession& session_;
    CVorlex_2View* view_ = nullptr;
    PlaybackController* playback_ = nullptr;
    QMenu* file_menu_ = nullptr;
    QMenu* view_menu_ = nullptr;
    QAction* recent_separator_ = nullptr;
    QList<QAction*> recent_actions_;
    QToolBar* tool_bar_ = nullptr;
    QComboBox* speed_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* position_ = nullptr;
    QHash<int, QAction*> commands_;
    QActionGroup* views_ = nullptr;
    PaneMessage pane_;
    // Neither Start nor Stop is checked until playback is first started or stopped.
    bool playback_chosen_ = false;
    // A menu pauses playback without taking back the Start the user chose.
    bool paused_by_menu_ = false;
    QPointer<OverviewWindow> overview_;
};

// The single .ab file among dropped URLs, as the path's bytes, or empty.
std::string dropped_recording(const QList<QUrl>& urls);

}  // namespace korvel
