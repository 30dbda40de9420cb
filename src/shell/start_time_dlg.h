#pragma once

#include <QDialog>
#include <QTime>
#include <optional>

#include "format/recorded_minutes.h"

class QLabel;
class QTimeEdit;

namespace korvel {

// Asks for the time of day at which playback begins: a time editor showing hh:mm:ss that
// starts at 00:00:00, with OK and Cancel. Above it, which times the recording holds (from its
// index) and how a time is typed.
class CStartTimeDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CStartTimeDlg(const std::optional<RecordedMinutes>& recorded = std::nullopt,
                           QWidget* parent = nullptr);
    QTime m_time() const;
    QTimeEdit* time_edit() const { return edit_; }
    QLabel* hint() const { return hint_; }

  private:
    QTimeEdit* edit_;
    QLabel* hint_;
};

// What the dialog says about the recording's times and what to type.
QString start_time_hint(const std::optional<RecordedMinutes>& recorded);

}  // namespace korvel
