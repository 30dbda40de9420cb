#include "shell/startup_splash.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QPainter>
#include <QScreen>

namespace korvel {
namespace {

bool splash_enabled = false;
CStartupSplash* splash_instance = nullptr;

// Sees every event of the program before its receiver does, while the splash is up.
class SplashFilter : public QObject {
  public:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (splash_instance == nullptr) return false;
        // A dialog that shows while the picture is up (the Start Time dialog of a file named
        // on the command line) ends it: the picture would hide the dialog, and what the user
        // types is meant for the dialog, its first key included.
        if (event->type() == QEvent::Show && qobject_cast<QDialog*>(receiver) != nullptr) {
            CStartupSplash::Hide();
            return false;
        }
        if (!ends_splash(*event)) return false;
        // A shortcut must not fire either: accepting the override check sends the key to the
        // widget as a plain key press, which is then swallowed here.
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        CStartupSplash::Hide();
        return true;
    }
};

}  // namespace

bool ends_splash(const QEvent& event) {
    switch (event.type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonDblClick:
            return true;
        default:
            return false;
    }
}

void CStartupSplash::Enable(bool enabled) {
    splash_enabled = enabled;
}

CStartupSplash* CStartupSplash::instance() {
    return splash_instance;
}

QObject* CStartupSplash::app_filter() {
    static SplashFilter filter;
    return &filter;
}

void CStartupSplash::ShowFor(QWidget* owner) {
    if (!splash_enabled || splash_instance != nullptr) return;
    const QPixmap picture(QStringLiteral(":/korvel/splash.png"));
    if (picture.isNull()) return;  // no picture, no splash screen, no message
    auto* splash = new CStartupSplash(picture);
    // Centre on the screen the owner will appear on; the owner is not shown yet.
    QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect area = splash->rect();
        area.moveCenter(screen->availableGeometry().center());
        splash->move(area.topLeft());
    }
    splash->show();
    splash->repaint();
}

void CStartupSplash::Hide() {
    CStartupSplash* splash = splash_instance;
    if (splash == nullptr) return;
    splash_instance = nullptr;
    splash->timer_.stop();
    splash->hide();
    splash->deleteLater();
    // Repaint at once where the picture was, and give the keyboard back to the main window,
    // unless a dialog is up: the keys are the dialog's then.
    const bool dialog_up = QApplication::activeModalWidget() != nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top == splash || !top->isVisible()) continue;
        top->repaint();
        if (!dialog_up && qobject_cast<QMainWindow*>(top)) top->activateWindow();
    }
}

CStartupSplash::CStartupSplash(const QPixmap& picture)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(picture) {
    splash_instance = this;
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The window takes the picture's size, whatever it is.
    setFixedSize(picture_.deviceIndependentSize().toSize());
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &CStartupSplash::Hide);
    timer_.start(2000);
}

CStartupSplash::~CStartupSplash() {
    if (splash_instance == this) splash_instance = nullptr;
}

void CStartupSplash::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

}  // namespace korvel
