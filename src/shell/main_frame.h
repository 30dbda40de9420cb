#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QToolBar;

namespace korvel {

class CVorlex_2App;
class CVorlex_2View;
class OverviewWindow;
struct PlaybackSession;

// The speeds the toolbar offers: steps per tick of the 200 ms timer; 0 is "max", as many
// steps as fit in about 150 ms of a tick.
struct SpeedChoice {
    const char* label;
    int steps_per_tick;
};
inline constexpr SpeedChoice kSpeedChoices[] = {{"x1", 1},   {"x2", 2},     {"x5", 5}, {"x10", 10},
                                                {"x50", 50}, {"x200", 200}, {"max", 0}};

// The main window: menu, accelerators, toolbar, status bar and the one view. It owns the four
// playback commands (Start, Stop and the two views), which only set the session's flags and
// the check marks; the next playback step acts on them. Opening a menu or highlighting one of
// its items pauses playback; accelerators and the toolbar do not.
class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    explicit CMainFrame(CVorlex_2App& app);

    CVorlex_2View* view() const { return view_; }
    QAction* action(int command_id) const { return menu_actions_.value(command_id); }
    QAction* accelerator(int command_id) const { return accelerators_.value(command_id); }
    QMenu* file_menu() const { return file_menu_; }
    QMenu* view_menu() const { return view_menu_; }  // later tools add their items here
    QToolBar* tool_bar() const { return tool_bar_; }
    QComboBox* speed_selector() const { return speed_; }
    QLabel* message_pane() const { return message_; }
    QLabel* position_field() const { return position_; }
    const QList<QAction*>& recent_actions() const { return recent_actions_; }

    void update_recent_menu(const QStringList& files);
    void repaint_view();
    void show_end_of_file();
    void show_waiting_for_data();  // the recording is being written; playback goes on by itself
    void show_idle();        // "Bereit" in the message pane
    void update_position();  // the "where am I" field
    void set_speed(int index);

    // The overview window, while one is open.
    OverviewWindow* overview_window() const;
    // Stops an overview computation still running (the file is closed or another one opened).
    void cancel_overview();

    // The view's picture as shown, in device pixels. Returns false when it cannot be written.
    bool save_picture(const QString& path) const;

  signals:
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void build_menu();
    void build_accelerators();
    void build_tool_bar();
    void build_status_bar();
    QAction* add_command(QMenu* menu, int id, const QString& text, const QString& prompt);
    void add_accelerator(int id, const QKeySequence& key, void (CMainFrame::*handler)());
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
    void set_checks(int checked, int unchecked);

    CVorlex_2App& app_;
    PlaybackSession& session_;
    CVorlex_2View* view_ = nullptr;
    QMenu* file_menu_ = nullptr;
    QMenu* view_menu_ = nullptr;
    QAction* recent_separator_ = nullptr;
    QList<QAction*> recent_actions_;
    QToolBar* tool_bar_ = nullptr;
    QComboBox* speed_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* position_ = nullptr;
    QHash<int, QAction*> menu_actions_;
    QHash<int, QAction*> accelerators_;
    QPointer<OverviewWindow> overview_;
};

// The single .ab file among dropped URLs, or empty.
QString dropped_recording(const QList<QUrl>& urls);

}  // namespace korvel
