// The main frame's additions around the view's picture: saving it as PNG, printing it, and
// the status bar's field that says where in the recording the picture stands.
#include <sys/stat.h>

#include <QBuffer>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <cstring>
#include <optional>
#include <vector>

#include "common/fatal_error.h"
#include "display/qt/vorlex_view.h"
#include "io/output_refusal.h"
#include "io/safe_output.h"
#include "shell/dialog_runner.h"
#include "shell/display_text.h"
#include "shell/main_frame.h"
#include "shell/position_text.h"
#include "shell/qt_user_interaction.h"
#include "shell/shell_texts.h"
#include "shell/vorlex_app.h"

namespace korvel {

bool CMainFrame::save_picture(const std::string& path, QString& error) const {
    // The picture is saved as it is shown: device pixels, whatever the screen's scale.
    QImage picture = view_->picture();
    picture.setDevicePixelRatio(1.0);
    // Encoded in memory: Qt's writer says only that a write failed, not why. The file work is
    // the one safe output's: written beside the target and renamed over it only when complete,
    // so a failure never leaves a half-written picture or destroys what was there.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) {
        error = QStringLiteral("the PNG could not be encoded");
        return false;
    }
    SafeOutput file;
    int err = file.open(path, ".korvel-");
    if (err == 0) err = file.write_all(png.constData(), static_cast<size_t>(png.size()));
    if (err == 0) err = file.commit();
    if (err != 0) {
        error = QString::fromLocal8Bit(std::strerror(err));
        return false;
    }
    return true;
}

bool CMainFrame::refuse_output(const std::string& path) {
    if (path.empty()) return false;
    const PlaybackSession& s = session_;
    // The files as they were opened: a recording renamed since is still caught, and a file
    // that now has the recording's old name is not mistaken for it.
    std::vector<std::optional<FileIdentity>> open_files;
    if (s.open_document != nullptr) {
        if (s.data_file) open_files.push_back(s.data_file->identity());
        if (s.index_file) open_files.push_back(s.index_file->identity());
    }
    const OutputRefusal refusal = korvel::refuse_output(path, open_files);
    if (!refusal) return false;
    const QString name = display_text(path);
    const QString text =
        refusal.kind == OutputRefusal::Kind::recording_name
            ? QString(texts::kRefuseRecordingName).arg(name, QString::fromStdString(refusal.ending))
            : QString(texts::kRefuseOverwrite).arg(name);
    // A slip to be corrected, not the end of anything: a warning, and the dialog comes back.
    QMessageBox box(QMessageBox::Warning, texts::kAppTitle, text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    DialogRunner::current().run(box, text);
    return true;
}

bool CMainFrame::confirm_replace(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return true;
    const QString text = QString(texts::kConfirmReplace).arg(display_text(path));
    QMessageBox box(QMessageBox::Question, texts::kAppTitle, text,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    const int answer = DialogRunner::current().run(box, text);
    // A runner that accepts the box without a button pressed answers yes.
    return box.clickedButton() == nullptr ? answer == QDialog::Accepted
                                          : box.clickedButton() == box.button(QMessageBox::Yes);
}

void CMainFrame::OnSavePicture() {
    QFileDialog dialog(this, "Save picture");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter("PNG pictures (*.png)");
    dialog.setDefaultSuffix("png");
    // Our refusal of a recording comes before any "replace?" question: Qt's own would be
    // asked inside the dialog, before the name reaches us.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    std::string path;
    // A name that is refused brings the dialog back, with the name still in it.
    do {
        if (DialogRunner::current().run(dialog, QString()) != QDialog::Accepted) return;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty()) return;
        path = path_bytes(chosen.first());
    } while (refuse_output(path) || !confirm_replace(path));
    QString error;
    if (!save_picture(path, error)) {
        show_korvel_message(this, "Could not write " + display_text(path) + ": " + error, true);
    }
}

void CMainFrame::OnPrint() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    do {
        if (DialogRunner::current().run(dialog, QString()) != QDialog::Accepted) return;
    } while (refuse_output(QFile::encodeName(printer.outputFileName()).toStdString()));
    QImage picture = view_->picture();
    picture.setDevicePixelRatio(1.0);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (!printer.outputFileName().isEmpty()) {
            show_korvel_message(this, "Could not write " + printer.outputFileName(), true);
        }
        return;
    }
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
    uint64_t length = 0;
    try {
        length = session_.data_file->length();
    } catch (const FatalError& e) {
        // Measuring the file can fail like any read of it: the one fatal path ends the program.
        position_->clear();
        app_.fatal(display_text(e.text()));
        return;
    }
    const std::string text =
        position_text(session_.decode_context->m_oldA, session_.line_rate, session_.pos_a, length);
    position_->setText(QString::fromStdString(text));
}

}  // namespace korvel
