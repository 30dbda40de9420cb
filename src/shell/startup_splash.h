#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace korvel {

// The picture shown in the middle of the screen while the program starts. It goes after two
// seconds, or at the first key or mouse press anywhere in the program; that press is used up
// and has no other effect. Shown at most once per run, and never when disabled (the
// Embedding and Automation flags).
class CStartupSplash : public QWidget {
    Q_OBJECT
  public:
    static void Enable(bool enabled);
    static void ShowFor(QWidget* owner);
    static void Hide();
    static CStartupSplash* instance();
    // The application-wide filter that sees every event first: a key press or a mouse click
    // anywhere ends the splash screen (and is swallowed, a shortcut included).
    static QObject* app_filter();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    explicit CStartupSplash(const QPixmap& picture);
    ~CStartupSplash() override;

    QPixmap picture_;
    QTimer timer_;
};

// True for the presses that end the splash screen: keys and mouse buttons, in client or
// frame areas (and the shortcut check that comes before a key).
bool ends_splash(const QEvent& event);

}  // namespace korvel
