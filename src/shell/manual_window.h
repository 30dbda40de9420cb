#pragma once

#include <QString>
#include <QTextBrowser>
#include <QWidget>

namespace korvel {

// The HTML view of the manual: shows local pages and follows their links.
class CManual : public QTextBrowser {
    Q_OBJECT
  public:
    explicit CManual(QWidget* parent = nullptr);
};

// The manual's own top-level window, "KORVEL Documentation". It opens on the manual's start
// page; when that page is missing it stays blank and says nothing. It deletes itself when
// closed.
class CDispHtml : public QWidget {
    Q_OBJECT
  public:
    explicit CDispHtml(const QString& start_page);
    CManual* manual() const { return manual_; }

  protected:
    void focusInEvent(QFocusEvent* event) override;

  private:
    CManual* manual_;
};

// Where the manual's start page is: html_doc/korvel.htm beside the executable when it is
// there (a build tree, or a program unpacked in one folder), else in the data directory of
// the prefix the program is installed in. Returns the first of these that exists, or the one beside the executable.
QString manual_start_page();

}  // namespace korvel
