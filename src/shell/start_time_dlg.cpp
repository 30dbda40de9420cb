#include "shell/start_time_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "shell/shell_texts.h"

namespace korvel {

QString start_time_hint(const std::optional<RecordedMinutes>& recorded) {
    QString held = texts::kStartTimeUnknown;
    if (recorded) {
        // A minute of the index covers the start times from its first to its last second.
        held = QString(texts::kStartTimeHeld)
                   .arg(QTime(recorded->first / 60, recorded->first % 60, 0).toString("hh:mm:ss"),
                        QTime(recorded->last / 60, recorded->last % 60, 59).toString("hh:mm:ss"));
    }
    return held + "\n" + texts::kStartTimeHowTo;
}

CStartTimeDlg::CStartTimeDlg(const std::optional<RecordedMinutes>& recorded, QWidget* parent)
    : QDialog(parent), edit_(new QTimeEdit(this)), hint_(new QLabel(start_time_hint(recorded))) {
    setWindowTitle(texts::kStartTimeCaption);
    edit_->setDisplayFormat("hh:mm:ss");
    edit_->setTime(QTime(0, 0, 0));
    edit_->setAlignment(Qt::AlignRight);
    hint_->setWordWrap(true);
    hint_->setTextFormat(Qt::PlainText);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint_);
    auto* row = new QHBoxLayout;
    row->addWidget(edit_, 0, Qt::AlignTop);
    row->addWidget(buttons);
    layout->addLayout(row);
    // Wide enough that the hint reads in a few lines, not a narrow column.
    hint_->setMinimumWidth(hint_->fontMetrics().averageCharWidth() * 66);
    edit_->setFocus();
}

QTime CStartTimeDlg::m_time() const {
    return edit_->time();
}

}  // namespace korvel
