#include "shell/manual_window.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QVBoxLayout>

#include "shell/shell_texts.h"

namespace korvel {

CManual::CManual(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(true);
    setOpenExternalLinks(false);
}

CDispHtml::CDispHtml(const QString& start_page) : QWidget(nullptr), manual_(new CManual(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(texts::kManualTitle);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(manual_);
    setFocusProxy(manual_);
    resize(760, 600);
    if (QFileInfo(start_page).isFile()) {
        manual_->setSource(QUrl::fromLocalFile(QFileInfo(start_page).absoluteFilePath()));
    }
}

void CDispHtml::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    manual_->setFocus();
}

QString manual_start_page() {
    const QString beside =
        QCoreApplication::applicationDirPath() + QStringLiteral("/html_doc/korvel.htm");
    if (QFileInfo(beside).isFile()) return beside;
#ifdef KORVEL_RELATIVE_DOC_DIR
    // Installed: bin/korvel finds share/korvel/html_doc under the same prefix, wherever the
    // prefix was put at install time.
    const QString relative = QCoreApplication::applicationDirPath() +
                             QStringLiteral("/../" KORVEL_RELATIVE_DOC_DIR "/korvel.htm");
    if (QFileInfo(relative).isFile()) return QFileInfo(relative).canonicalFilePath();
#endif
#ifdef KORVEL_INSTALLED_DOC_DIR
    const QString installed = QStringLiteral(KORVEL_INSTALLED_DOC_DIR "/korvel.htm");
    if (QFileInfo(installed).isFile()) return installed;
#endif
    return beside;
}

}  // namespace korvel
