#include "shell/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QToolBar>
#include <QVBoxLayout>

#include "commands/window_title.h"
#include "common/fatal_error.h"
#include "display/qt/playback_controller.h"
#include "display/qt/vorlex_view.h"
#include "playback/playback_step.h"
#include "playback/view_switch.h"
#include "shell/command_ids.h"
#include "shell/companion_viewer.h"
#include "shell/display_text.h"
#include "shell/recent_files.h"
#include "shell/shell_texts.h"
#include "shell/startup_splash.h"
#include "shell/vorlex_app.h"

namespace korvel {
namespace {

QString blanks(int n) {
    return QString(n, QLatin1Char(' '));
}

// The items of the playback menu name their key inside their text, as the menu resource has
// them; Qt would add the action's shortcut a second time in a column of its own.
class CommandMenu : public QMenu {
  public:
    CommandMenu(const QString& title, QWidget* parent) : QMenu(title, parent) {}

  protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override {
        QMenu::initStyleOption(option, action);
        if (!action->isSeparator()) option->text = action->text();
    }
};

// The first size of the window, before the screen has its say.
constexpr QSize kFirstSize(1024, 720);
// Room for the window manager's title bar and borders, which the window does not know of
// until it is shown.
constexpr QSize kDecoration(16, 48);

}  // namespace

CMainFrame::CMainFrame(CVorlex_2App& app) : app_(app), session_(app.session()) {
    const QDate today = QDate::currentDate();
    setWindowTitle(QString::fromStdString(
        window_title("", CivilDate{today.year(), today.month(), today.day()})));
    setWindowIcon(QIcon(QStringLiteral(":/korvel/icons/korvel.png")));
    setAcceptDrops(true);

    // The client area behind the view is erased white.
    auto* client = new QWidget(this);
    client->setAutoFillBackground(true);
    QPalette white = client->palette();
    white.setColor(QPalette::Window, Qt::white);
    client->setPalette(white);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new CVorlex_2View(session_, client);
    playback_ = new PlaybackController(app.player(), app.document().core(), *view_, this);
    layout->addWidget(view_);
    setCentralWidget(client);
    view_->setFocus();

    build_commands();
    build_menu();
    build_tool_bar();
    build_status_bar();
    show_playback_flags();
    fit_to_screen();

    CStartupSplash::ShowFor(this);
}

void CMainFrame::fit_to_screen() {
    QSize size = kFirstSize;
    if (const QScreen* s = screen()) {
        size = size.boundedTo(s->availableGeometry().size() - kDecoration);
    }
    resize(size.expandedTo(QSize(200, 150)));
}

QAction* CMainFrame::command(int id, const QString& text, const QString& prompt,
                             const QKeySequence& key) {
    auto* a = new QAction(text, this);
    a->setData(id);
    a->setStatusTip(prompt);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    // Part of the frame itself, so its key works whether or not a menu or bar shows it.
    addAction(a);
    commands_.insert(id, a);
    return a;
}

void CMainFrame::build_commands() {
    const struct {
        int id;
        QString text;
        const char* prompt;
        const char* key;
        void (CMainFrame::*handler)();
    } frame_commands[] = {
        {ID_PLAY_START, "&Start" + blanks(31) + "Alt+S", texts::kPromptStart, "Alt+S",
         &CMainFrame::OnStart},
        {ID_PLAY_STOP, "Sto&p" + blanks(32) + "Alt+P", texts::kPromptStop, "Alt+P",
         &CMainFrame::OnStop},
        {ID_VIEW_ASYNC, "&Asynchrone View" + blanks(5) + "Alt+A", "", "Alt+A",
         &CMainFrame::OnAsyncView},
        {ID_VIEW_SYNC, "S&ynchrone View" + blanks(7) + "Alt+Y", "", "Alt+Y",
         &CMainFrame::OnSyncView},
        {ID_APP_EXIT, "&Exit", texts::kPromptExit, "Esc", &CMainFrame::OnExit},
        {ID_TOOLS_MIRVAN, "MIRVAN", texts::kPromptMirvan, "", &CMainFrame::OnMirvan},
        {ID_FILE_OPEN, texts::kTipOpen, texts::kPromptOpenToolbar, "Ctrl+O",
         &CMainFrame::OnFrameOpen},
        {ID_FILE_PRINT, "&Print...\tStrg+P", texts::kPromptPrint, "Ctrl+P", &CMainFrame::OnPrint},
        {ID_FILE_NEW, "New", "", "Ctrl+N", &CMainFrame::OnFileNew},
        {ID_VIEW_OVERVIEW, "&Overview", texts::kPromptOverview, "", &CMainFrame::OnOverview},
        {ID_FILE_SAVE_PICTURE, "Save p&icture...\tStrg+Umschalt+S", texts::kPromptSavePicture,
         "Ctrl+Shift+S", &CMainFrame::OnSavePicture},
    };
    for (const auto& c : frame_commands) {
        connect(command(c.id, c.text, c.prompt, QKeySequence(c.key)), &QAction::triggered, this,
                c.handler);
    }
    const struct {
        int id;
        QString text;
        const char* prompt;
        void (CVorlex_2App::*handler)();
    } app_commands[] = {
        {ID_FILE_OPEN_DATA, "O&pen...\tStrg+O", texts::kVersion, &CVorlex_2App::OnFileOpenData},
        {ID_FILE_CLOSE_DATA, "&Close", texts::kPromptClose, &CVorlex_2App::OnFileCloseData},
        {ID_MANUAL, "&Manual", "", &CVorlex_2App::OnManual},
        {ID_APP_ABOUT,
         "Inf&o \xC3\xBC"
         "ber KORVEL",
         texts::kPromptAbout, &CVorlex_2App::OnAppAbout},
    };
    for (const auto& c : app_commands) {
        connect(command(c.id, c.text, c.prompt), &QAction::triggered, &app_, c.handler);
    }
    for (int id : {ID_PLAY_START, ID_PLAY_STOP, ID_VIEW_ASYNC, ID_VIEW_SYNC}) {
        action(id)->setCheckable(true);
    }
    views_ = new QActionGroup(this);
    views_->addAction(action(ID_VIEW_ASYNC));
    views_->addAction(action(ID_VIEW_SYNC));

    QAction* bar = command(ID_VIEW_TOOLBAR, "&Symbolic Bar", texts::kPromptToolbar);
    QAction* status = command(ID_VIEW_STATUS_BAR, "S&tatus Bar", texts::kPromptStatusBar);
    for (QAction* a : {bar, status}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
    connect(bar, &QAction::toggled, this, [this](bool on) { tool_bar_->setVisible(on); });
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    action(ID_FILE_OPEN)->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    action(ID_APP_ABOUT)->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
    action(ID_APP_ABOUT)->setToolTip(texts::kTipAbout);
    action(ID_FILE_SAVE_PICTURE)->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    action(ID_FILE_SAVE_PICTURE)->setToolTip(texts::kTipSavePicture);
    // Playing is found on the toolbar too; the buttons show the check marks of the menu.
    action(ID_PLAY_START)->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    action(ID_PLAY_START)->setToolTip(texts::kTipStart);
    action(ID_PLAY_STOP)->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    action(ID_PLAY_STOP)->setToolTip(texts::kTipStop);
    action(ID_VIEW_OVERVIEW)->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    action(ID_VIEW_OVERVIEW)->setToolTip(texts::kTipOverview);
}

void CMainFrame::build_menu() {
    const struct {
        const char* title;
        // 0: the separator above Exit, with the recent files above it; -1: another one (Qt
        // shows two in a row as one while there are no recent files)
        std::initializer_list<int> ids;
    } menus[] = {
        {"&File",
         {ID_FILE_OPEN_DATA, ID_FILE_CLOSE_DATA, -1, ID_FILE_SAVE_PICTURE, ID_FILE_PRINT, -1, 0,
          ID_APP_EXIT}},
        {"&Vorlex Parameter", {ID_PLAY_START, ID_PLAY_STOP, ID_VIEW_ASYNC, ID_VIEW_SYNC}},
        {"&Tools", {ID_TOOLS_MIRVAN}},
        {"&View", {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_VIEW_OVERVIEW}},
        {"&?", {ID_MANUAL, ID_APP_ABOUT}},
    };
    for (const auto& m : menus) {
        auto* menu = new CommandMenu(m.title, this);
        for (int id : m.ids) {
            if (id == -1) {
                menu->addSeparator();
            } else if (id == 0) {
                recent_separator_ = menu->addSeparator();  // the recent files go above it
            } else {
                menu->addAction(action(id));
            }
        }
        menuBar()->addMenu(menu);
        watch_for_pause(menu);
        if (*m.ids.begin() == ID_FILE_OPEN_DATA) file_menu_ = menu;
        if (*m.ids.begin() == ID_VIEW_TOOLBAR) view_menu_ = menu;
    }
    connect(menuBar(), &QMenuBar::hovered, this, &CMainFrame::pause_playback);
}

void CMainFrame::watch_for_pause(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::pause_playback);
    connect(menu, &QMenu::hovered, this, &CMainFrame::pause_playback);
    connect(menu, &QMenu::aboutToHide, this, &CMainFrame::pause_playback);
}

void CMainFrame::pause_playback() {
    // A pause, not a Stop: Start keeps its check mark and Alt+S resumes.
    if (session_.playback_running == 1) paused_by_menu_ = true;
    session_.playback_running = 0;
    show_playback_flags();
}

void CMainFrame::build_tool_bar() {
    tool_bar_ = addToolBar("Symbolic Bar");
    tool_bar_->setObjectName("toolbar");
    tool_bar_->addAction(action(ID_FILE_OPEN));
    tool_bar_->addSeparator();
    tool_bar_->addAction(action(ID_APP_ABOUT));
    tool_bar_->addSeparator();
    tool_bar_->addAction(action(ID_PLAY_START));
    tool_bar_->addAction(action(ID_PLAY_STOP));
    speed_ = new QComboBox(tool_bar_);
    speed_->setToolTip(
        "Playback speed: camera-A records per 200 ms, real time (the recording's own pace) "
        "or max");
    speed_->setFocusPolicy(Qt::NoFocus);
    for (const SpeedChoice& c : kSpeedChoices) speed_->addItem(c.label, c.steps_per_tick);
    connect(speed_, &QComboBox::currentIndexChanged, this, &CMainFrame::set_speed);
    tool_bar_->addWidget(speed_);
    tool_bar_->addAction(action(ID_FILE_SAVE_PICTURE));
    tool_bar_->addAction(action(ID_VIEW_OVERVIEW));
    connect(tool_bar_, &QToolBar::visibilityChanged, this, [this](bool shown) {
        if (!isHidden()) action(ID_VIEW_TOOLBAR)->setChecked(shown);
    });
}

void CMainFrame::build_status_bar() {
    message_ = new QLabel(texts::kIdle, this);
    statusBar()->addWidget(message_, 1);
    position_ = new QLabel(this);
    position_->setObjectName("position");
    statusBar()->addPermanentWidget(position_);
    // Qt cannot tell the keyboard's lock state, so the indicators stand unlit.
    for (const char* name : {"UF", "NUM", "RF"}) {
        auto* indicator = new QLabel(name, this);
        indicator->setEnabled(false);
        indicator->setObjectName(name);
        statusBar()->addPermanentWidget(indicator);
    }
    // A menu prompt replaces the pane's message; afterwards the pane is idle again.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (!text.isEmpty()) show_idle();
    });
}

void CMainFrame::set_speed(int index) {
    if (index < 0 || index >= speed_->count()) return;
    if (speed_->currentIndex() != index) speed_->setCurrentIndex(index);
    playback_->set_steps_per_tick(speed_->itemData(index).toInt());
}

void CMainFrame::show_message(PaneMessage message) {
    pane_ = message;
    message_->setText(pane_text(pane_));
}

void CMainFrame::show_end_of_file() {
    if (!session_.data_file) return;
    uint64_t length = 0;
    try {
        length = session_.data_file->length();
    } catch (const FatalError& e) {
        app_.fatal(display_text(e.text()));
        return;
    }
    // The step reads nothing past the end, so a file cut below what was read also ends
    // playback; the user is told that the file shrank rather than that it was read through.
    Player& player = app_.player();
    if (player.answer(length) == StepAnswer::shrunk) {
        show_message({PaneState::file_shrank, length, player.span().reached()});
    } else if (player.ended_before_start()) {
        show_message({PaneState::ends_before_start});
    } else {
        show_message({PaneState::end_of_file});
    }
}

void CMainFrame::show_open_state() {
    switch (session_.follow.opening) {
        case OpenWait::none:
            show_idle();
            return;
        case OpenWait::header:
            show_message({PaneState::waiting_for_header});
            return;
        case OpenWait::index_file:
        case OpenWait::index_tables:
            show_message({PaneState::waiting_for_index});
            return;
        case OpenWait::start_minute:
            show_message({PaneState::waiting_for_start});
            return;
    }
}

void CMainFrame::show_waiting_for_data() {
    show_message({PaneState::waiting_for_data});
}

void CMainFrame::show_idle() {
    show_message({PaneState::idle});
}

void CMainFrame::repaint_view() {
    view_->update();
}

void CMainFrame::update_recent_menu(const std::vector<std::string>& files) {
    qDeleteAll(recent_actions_);
    recent_actions_.clear();
    for (size_t i = 0; i < files.size(); ++i) {
        const QString name = display_text(files[i]);
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(recent_menu_name(name)),
                              file_menu_);
        a->setStatusTip(name);
        const std::string path = files[i];
        connect(a, &QAction::triggered, &app_, [this, path] { app_.open_recent(path); });
        file_menu_->insertAction(recent_separator_, a);
        recent_actions_ << a;
    }
}

void CMainFrame::show_playback_flags() {
    const bool running = session_.playback_running == 1 || paused_by_menu_;
    action(ID_PLAY_START)->setChecked(playback_chosen_ && running);
    action(ID_PLAY_STOP)->setChecked(playback_chosen_ && !running);
    action(session_.sync_view == 1 ? ID_VIEW_SYNC : ID_VIEW_ASYNC)->setChecked(true);
}

void CMainFrame::set_playback_running(int running) {
    session_.playback_running = running;
    playback_chosen_ = true;
    paused_by_menu_ = false;
    show_playback_flags();
}

void CMainFrame::select_view(bool sync) {
    session_.sync_view = sync ? 1 : 0;
    session_.async_view = sync ? 0 : 1;
    session_.view_switch = sync ? kViewSwitchToSync : kViewSwitchToAsync;
    show_playback_flags();
}

void CMainFrame::OnStart() {
    set_playback_running(1);
}

void CMainFrame::OnStop() {
    set_playback_running(0);
}

void CMainFrame::OnAsyncView() {
    select_view(false);
}

void CMainFrame::OnSyncView() {
    select_view(true);
}

void CMainFrame::OnMirvan() {
    // The open recording at the time playback has reached; an empty viewer without one.
    const Document* doc = session_.open_document;
    start_companion_viewer(doc ? companion_arguments(doc->path_name, companion_seconds(session_))
                               : QStringList());
}

void CMainFrame::OnFrameOpen() {
    if (session_.open_document == nullptr) app_.OnFileOpenData();
}

void CMainFrame::OnFileNew() {
    app_.OnFileNew();
    show_message({PaneState::new_document});
}

void CMainFrame::OnExit() {
    playback_->stop();
    // Closing a file object is destroying it; the index file goes only with the data file.
    if (session_.data_file) {
        session_.data_file.reset();
        session_.index_file.reset();
    }
    close();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

std::string dropped_recording(const QList<QUrl>& urls) {
    if (urls.size() != 1 || !urls.first().isLocalFile()) return std::string();
    // The path's bytes as the system has them: a name that is not UTF-8 stays percent-encoded
    // in the URL and is decoded here byte for byte.
    const QByteArray encoded = urls.first().path(QUrl::FullyEncoded).toLatin1();
    const QByteArray path = QByteArray::fromPercentEncoding(encoded);
    if (!path.toLower().endsWith(".ab")) return std::string();
    return path.toStdString();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !dropped_recording(event->mimeData()->urls()).empty()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const std::string path = dropped_recording(event->mimeData()->urls());
    if (path.empty()) return;
    event->acceptProposedAction();
    app_.open_existing(path);
}

}  // namespace korvel
