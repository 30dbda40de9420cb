// The main frame's additions around the view's picture: saving it as PNG, printing it, and
// the status bar's field that says where in the recording the picture stands.
#include <sys/stat.h>

#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>

#include "common/fatal_error.h"
#include "display/qt/vorlex_view.h"
#include "format/index_file.h"
#include "shell/dialog_runner.h"
#include "shell/display_text.h"
#include "shell/main_frame.h"
#include "shell/position_text.h"
#include "shell/qt_user_interaction.h"
#include "shell/shell_texts.h"
#include "shell/vorlex_app.h"

namespace korvel {
namespace {

bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

bool CMainFrame::save_picture(const std::string& path, QString& error) const {
    // The picture is saved as it is shown: device pixels, whatever the screen's scale.
    QImage picture = view_->picture();
    picture.setDevicePixelRatio(1.0);
    // Written beside the target under another name and renamed over it only when complete, so
    // a failure never leaves a half-written picture or destroys what was there.
    QSaveFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit()) {
        error = file.errorString();
        if (error.isEmpty() || error == QLatin1String("Unknown error")) {
            error = QStringLiteral("the PNG could not be encoded");
        }
        return false;
    }
    return true;
}

bool CMainFrame::refuse_output(const std::string& path) {
    const PlaybackSession& s = session_;
    if (s.open_document == nullptr || path.empty()) return false;
    struct stat target;
    if (::stat(path.c_str(), &target) != 0) return false;  // a new file: nothing to lose
    // By identity, not by name: another spelling of the path, a symbolic or a hard link to
    // the recording are all caught.
    for (const std::string& open :
         {s.open_document->path_name, index_file_path(s.open_document->path_name)}) {
        struct stat st;
        if (!open.empty() && ::stat(open.c_str(), &st) == 0 && same_file(st, target)) {
            show_korvel_message(this, QString(texts::kRefuseOverwrite).arg(display_text(path)),
                                true);
            return true;
        }
    }
    return false;
}

void CMainFrame::OnSavePicture() {
    QFileDialog dialog(this, "Save picture");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter("PNG pictures (*.png)");
    dialog.setDefaultSuffix("png");
    std::string path;
    // A name that is refused brings the dialog back, with the name still in it.
    do {
        if (DialogRunner::current().run(dialog, QString()) != QDialog::Accepted) return;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty()) return;
        path = path_bytes(chosen.first());
    } while (refuse_output(path));
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
