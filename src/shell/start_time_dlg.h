#pragma once

#include <QDialog>
#include <QTime>

class QTimeEdit;

namespace korvel {

// Asks for the time of day at which playback begins: a time editor showing hh:mm:ss that
// starts at 00:00:00, with OK and Cancel.
class CStartTimeDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CStartTimeDlg(QWidget* parent = nullptr);
    QTime m_time() const;
    QTimeEdit* time_edit() const { return edit_; }

  private:
    QTimeEdit* edit_;
};

}  // namespace korvel
