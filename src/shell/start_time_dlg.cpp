#include "shell/start_time_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QTimeEdit>

#include "shell/shell_texts.h"

namespace korvel {

CStartTimeDlg::CStartTimeDlg(QWidget* parent) : QDialog(parent), edit_(new QTimeEdit(this)) {
    setWindowTitle(texts::kStartTimeCaption);
    edit_->setDisplayFormat("hh:mm:ss");
    edit_->setTime(QTime(0, 0, 0));
    edit_->setAlignment(Qt::AlignRight);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(edit_, 0, Qt::AlignTop);
    layout->addWidget(buttons);
    edit_->setFocus();
}

QTime CStartTimeDlg::m_time() const {
    return edit_->time();
}

}  // namespace korvel
