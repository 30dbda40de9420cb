#include "shell/about_dlg.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "shell/shell_texts.h"

namespace korvel {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(texts::kAboutCaption);
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(":/korvel/icons/korvel.png").pixmap(32, 32));
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* pluvaric = new QLabel(texts::kAboutPluvaric, this);
    pluvaric->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(this);
    version->setObjectName("version");  // filled when the box opens, as the version line
    version->setText(texts::kVersion);
    version->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The build's own version (the project's, as --version prints it) opens the notice.
    auto* notice = new QLabel(QStringLiteral("Version " KORVEL_VERSION ". ") + texts::kMakersNotice,
                              this);
    notice->setObjectName("notice");

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(ok, 0, 1, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(pluvaric, 1, 0, 1, 2);
    grid->addWidget(version, 2, 0, 1, 2);
    grid->addWidget(notice, 3, 0, 1, 2);
}

}  // namespace korvel
