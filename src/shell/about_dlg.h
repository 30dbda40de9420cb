#pragma once

#include <QDialog>

namespace korvel {

// "Info about KORVEL": the icon, the program's name, the version line and the maker's notice.
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace korvel
