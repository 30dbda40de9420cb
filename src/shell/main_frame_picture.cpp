// The main frame's additions around the view's picture: saving it as PNG, printing it, and
// the status bar's field that says where in the recording the picture stands.
#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "display/qt/vorlex_view.h"
#include "shell/dialog_runner.h"
#include "shell/main_frame.h"
#include "shell/position_text.h"
#include "shell/qt_user_interaction.h"
#include "shell/vorlex_app.h"

namespace korvel {

bool CMainFrame::save_picture(const QString& path) const {
    // The picture is saved as it is shown: device pixels, whatever the screen's scale.
    QImage picture = view_->picture();
    picture.setDevicePixelRatio(1.0);
    return picture.save(path, "PNG");
}

void CMainFrame::OnSavePicture() {
    QFileDialog dialog(this, "Save picture");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter("PNG pictures (*.png)");
    dialog.setDefaultSuffix("png");
    if (DialogRunner::current().run(dialog, QString()) != QDialog::Accepted) return;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return;
    if (!save_picture(chosen.first())) {
        show_korvel_message(this, "Could not write " + chosen.first(), true);
    }
}

void CMainFrame::OnPrint() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (DialogRunner::current().run(dialog, QString()) != QDialog::Accepted) return;
    QImage picture = view_->picture();
    picture.setDevicePixelRatio(1.0);
    QPainter painter(&printer);
    const QRect page = painter.viewport();
    QSize size = picture.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(picture.rect());
    painter.drawImage(0, 0, picture);
}

void CMainFrame::update_position() {
    if (session_.open_document == nullptr || !session_.data_file || !session_.decode_context) {
        position_->clear();
        return;
    }
    const std::string text = position_text(session_.decode_context->m_oldA, session_.line_rate,
                                           session_.pos_a, session_.data_file->length());
    position_->setText(QString::fromStdString(text));
}

}  // namespace korvel
