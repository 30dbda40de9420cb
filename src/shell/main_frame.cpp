#include "shell/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "commands/window_title.h"
#include "display/qt/vorlex_view.h"
#include "shell/command_ids.h"
#include "shell/companion_viewer.h"
#include "shell/shell_texts.h"
#include "shell/startup_splash.h"
#include "shell/vorlex_app.h"

namespace korvel {
namespace {

QString blanks(int n) {
    return QString(n, QLatin1Char(' '));
}

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
    view_ = new CVorlex_2View(session_, app.document().core(), client);
    layout->addWidget(view_);
    setCentralWidget(client);
    view_->setFocus();

    build_menu();
    build_accelerators();
    build_tool_bar();
    build_status_bar();
    resize(1024, 720);

    CStartupSplash::ShowFor(this);
}

QAction* CMainFrame::add_command(QMenu* menu, int id, const QString& text, const QString& prompt) {
    auto* action = menu->addAction(text);
    action->setData(id);
    action->setStatusTip(prompt);
    menu_actions_.insert(id, action);
    return action;
}

void CMainFrame::build_menu() {
    file_menu_ = menuBar()->addMenu("&File");
    QAction* open = add_command(file_menu_, ID_FILE_OPEN_DATA, "O&pen...\tStrg+O", texts::kVersion);
    connect(open, &QAction::triggered, &app_, &CVorlex_2App::OnFileOpenData);
    QAction* close = add_command(file_menu_, ID_FILE_CLOSE_DATA, "&Close", texts::kPromptClose);
    connect(close, &QAction::triggered, &app_, &CVorlex_2App::OnFileCloseData);
    recent_separator_ = file_menu_->addSeparator();
    QAction* exit = add_command(file_menu_, ID_APP_EXIT, "&Exit", texts::kPromptExit);
    connect(exit, &QAction::triggered, this, &CMainFrame::OnExit);

    QMenu* play = menuBar()->addMenu("&Vorlex Parameter");
    const struct {
        int id;
        QString text;
        const char* prompt;
        void (CMainFrame::*handler)();
    } playback[] = {
        {ID_PLAY_START, "&Start" + blanks(31) + "Alt+S", texts::kPromptStart, &CMainFrame::OnStart},
        {ID_PLAY_STOP, "Sto&p" + blanks(32) + "Alt+P", texts::kPromptStop, &CMainFrame::OnStop},
        {ID_VIEW_ASYNC, "&Asynchrone View" + blanks(5) + "Alt+A", "", &CMainFrame::OnAsyncView},
        {ID_VIEW_SYNC, "S&ynchrone View" + blanks(7) + "Alt+Y", "", &CMainFrame::OnSyncView},
    };
    for (const auto& item : playback) {
        QAction* a = add_command(play, item.id, item.text, item.prompt);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, item.handler);
    }
    action(ID_VIEW_ASYNC)->setChecked(true);

    QMenu* tools = menuBar()->addMenu("&Tools");
    connect(add_command(tools, ID_TOOLS_MIRVAN, "MIRVAN", texts::kPromptMirvan),
            &QAction::triggered, this, &CMainFrame::OnMirvan);

    view_menu_ = menuBar()->addMenu("&View");
    QAction* bar = add_command(view_menu_, ID_VIEW_TOOLBAR, "&Symbolic Bar", texts::kPromptToolbar);
    QAction* status =
        add_command(view_menu_, ID_VIEW_STATUS_BAR, "S&tatus Bar", texts::kPromptStatusBar);
    for (QAction* a : {bar, status}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
    QAction* overview =
        add_command(view_menu_, ID_VIEW_OVERVIEW, "&Overview", texts::kPromptOverview);
    connect(overview, &QAction::triggered, this, &CMainFrame::OnOverview);
    connect(bar, &QAction::toggled, this, [this](bool on) { tool_bar_->setVisible(on); });
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    QMenu* help = menuBar()->addMenu("&?");
    connect(add_command(help, ID_MANUAL, "&Manual", ""), &QAction::triggered, &app_,
            &CVorlex_2App::OnManual);
    connect(add_command(help, ID_APP_ABOUT,
                        "Inf&o \xC3\xBC"
                        "ber KORVEL",
                        texts::kPromptAbout),
            &QAction::triggered, &app_, &CVorlex_2App::OnAppAbout);

    for (QMenu* menu : {file_menu_, play, tools, view_menu_, help}) watch_for_pause(menu);
    connect(menuBar(), &QMenuBar::hovered, this, &CMainFrame::pause_playback);
}

void CMainFrame::watch_for_pause(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::pause_playback);
    connect(menu, &QMenu::hovered, this, &CMainFrame::pause_playback);
    connect(menu, &QMenu::aboutToHide, this, &CMainFrame::pause_playback);
}

void CMainFrame::pause_playback() {
    session_.playback_running = 0;
}

void CMainFrame::add_accelerator(int id, const QKeySequence& key, void (CMainFrame::*handler)()) {
    auto* a = new QAction(this);
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    a->setData(id);
    if (handler != nullptr) connect(a, &QAction::triggered, this, handler);
    addAction(a);
    accelerators_.insert(id, a);
}

void CMainFrame::build_accelerators() {
    add_accelerator(ID_VIEW_ASYNC, QKeySequence("Alt+A"), &CMainFrame::OnAsyncView);
    add_accelerator(ID_FILE_NEW, QKeySequence("Ctrl+N"), nullptr);
    add_accelerator(ID_FILE_OPEN, QKeySequence("Ctrl+O"), &CMainFrame::OnFrameOpen);
    add_accelerator(ID_FILE_PRINT, QKeySequence("Ctrl+P"), &CMainFrame::OnPrint);
    add_accelerator(ID_PLAY_STOP, QKeySequence("Alt+P"), &CMainFrame::OnStop);
    add_accelerator(ID_PLAY_START, QKeySequence("Alt+S"), &CMainFrame::OnStart);
    add_accelerator(ID_APP_EXIT, QKeySequence(Qt::Key_Escape), &CMainFrame::OnExit);
    add_accelerator(ID_VIEW_SYNC, QKeySequence("Alt+Y"), &CMainFrame::OnSyncView);
    connect(accelerator(ID_FILE_NEW), &QAction::triggered, &app_, &CVorlex_2App::OnFileNew);
}

void CMainFrame::build_tool_bar() {
    tool_bar_ = addToolBar("Symbolic Bar");
    tool_bar_->setObjectName("toolbar");
    QAction* open =
        tool_bar_->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton), texts::kTipOpen);
    open->setStatusTip(texts::kPromptOpenToolbar);
    open->setData(ID_FILE_OPEN);
    connect(open, &QAction::triggered, this, &CMainFrame::OnFrameOpen);
    tool_bar_->addSeparator();
    QAction* about = tool_bar_->addAction(style()->standardIcon(QStyle::SP_MessageBoxInformation),
                                          texts::kTipAbout);
    about->setStatusTip(texts::kPromptAbout);
    about->setData(ID_APP_ABOUT);
    connect(about, &QAction::triggered, &app_, &CVorlex_2App::OnAppAbout);

    tool_bar_->addSeparator();
    speed_ = new QComboBox(tool_bar_);
    speed_->setToolTip("Playback speed: steps per tick");
    speed_->setFocusPolicy(Qt::NoFocus);
    for (const SpeedChoice& c : kSpeedChoices) speed_->addItem(c.label, c.steps_per_tick);
    connect(speed_, &QComboBox::currentIndexChanged, this, &CMainFrame::set_speed);
    tool_bar_->addWidget(speed_);

    auto* save =
        new QAction(style()->standardIcon(QStyle::SP_DialogSaveButton), "Save picture", this);
    save->setShortcut(QKeySequence("Ctrl+Shift+S"));
    save->setStatusTip("Saves the view's picture as PNG.");
    connect(save, &QAction::triggered, this, &CMainFrame::OnSavePicture);
    tool_bar_->addAction(save);

    auto* overview = new QAction(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                 texts::kTipOverview, this);
    overview->setStatusTip(texts::kPromptOverview);
    overview->setData(ID_VIEW_OVERVIEW);
    connect(overview, &QAction::triggered, this, &CMainFrame::OnOverview);
    tool_bar_->addAction(overview);
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
    // A menu prompt replaces "END OF FILE"; afterwards the pane is idle again.
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (!text.isEmpty()) show_idle();
    });
}

void CMainFrame::set_speed(int index) {
    if (index < 0 || index >= speed_->count()) return;
    if (speed_->currentIndex() != index) speed_->setCurrentIndex(index);
    view_->set_steps_per_tick(speed_->itemData(index).toInt());
}

void CMainFrame::show_end_of_file() {
    message_->setText(texts::kEndOfFile);
}

void CMainFrame::show_waiting_for_data() {
    message_->setText(texts::kWaitingForData);
}

void CMainFrame::show_idle() {
    message_->setText(texts::kIdle);
}

void CMainFrame::repaint_view() {
    view_->update();
}

void CMainFrame::update_recent_menu(const QStringList& files) {
    qDeleteAll(recent_actions_);
    recent_actions_.clear();
    for (int i = 0; i < files.size(); ++i) {
        auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]), file_menu_);
        a->setStatusTip(files[i]);
        const QString path = files[i];
        connect(a, &QAction::triggered, &app_, [this, path] { app_.open_path(path); });
        file_menu_->insertAction(recent_separator_, a);
        recent_actions_ << a;
    }
}

void CMainFrame::set_checks(int checked, int unchecked) {
    action(unchecked)->setChecked(false);
    action(checked)->setChecked(true);
}

void CMainFrame::OnStart() {
    set_checks(ID_PLAY_START, ID_PLAY_STOP);
    session_.playback_running = 1;
}

void CMainFrame::OnStop() {
    set_checks(ID_PLAY_STOP, ID_PLAY_START);
    session_.playback_running = 0;
}

void CMainFrame::OnAsyncView() {
    set_checks(ID_VIEW_ASYNC, ID_VIEW_SYNC);
    session_.async_view = 1;
    session_.sync_view = 0;
    session_.view_switch = 2;
}

void CMainFrame::OnSyncView() {
    set_checks(ID_VIEW_SYNC, ID_VIEW_ASYNC);
    session_.sync_view = 1;
    session_.async_view = 0;
    session_.view_switch = 1;
}

void CMainFrame::OnMirvan() {
    start_companion_viewer();
}

void CMainFrame::OnFrameOpen() {
    if (session_.open_document == nullptr) app_.OnFileOpenData();
}

void CMainFrame::OnExit() {
    view_->exit_command();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

QString dropped_recording(const QList<QUrl>& urls) {
    if (urls.size() != 1 || !urls.first().isLocalFile()) return QString();
    const QString path = urls.first().toLocalFile();
    return path.endsWith(QLatin1String(".ab"), Qt::CaseInsensitive) ? path : QString();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !dropped_recording(event->mimeData()->urls()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString path = dropped_recording(event->mimeData()->urls());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    app_.open_path(path);
}

}  // namespace korvel
