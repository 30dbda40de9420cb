#include "shell/qt_user_interaction.h"

#include <QDate>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimeEdit>

#include "shell/dialog_runner.h"
#include "shell/display_text.h"
#include "shell/main_frame.h"
#include "shell/recent_files.h"
#include "shell/shell_texts.h"
#include "shell/start_time_dlg.h"

namespace korvel {

void show_korvel_message(QWidget* parent, const QString& text, bool stop) {
    QMessageBox box(stop ? QMessageBox::Critical : QMessageBox::NoIcon, texts::kAppTitle, text,
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    DialogRunner::current().run(box, text);
}

bool QtUserInteraction::choose_file(std::string& path, std::string& file_title) {
    QFileDialog dialog(&frame_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(texts::kFileFilter);
    if (DialogRunner::current().run(dialog, QString()) != QDialog::Accepted) return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return false;
    path = path_bytes(chosen.first());
    const size_t slash = path.rfind('/');
    file_title = slash == std::string::npos ? path : path.substr(slash + 1);
    return true;
}

bool QtUserInteraction::choose_start_time(int& hour, int& minute, int& second) {
    CStartTimeDlg dialog(recorded_, &frame_);
    recorded_.reset();
    if (DialogRunner::current().run(dialog, QString()) != QDialog::Accepted) return false;
    const QTime t = dialog.m_time();
    hour = t.hour();
    minute = t.minute();
    second = t.second();
    return true;
}

void QtUserInteraction::show_message(const std::string& text) {
    show_korvel_message(&frame_, display_text(text));
}

void QtUserInteraction::report_file_error(const std::string& text) {
    show_korvel_message(&frame_, display_text(text), true);
}

void QtUserInteraction::add_recent_file(const std::string& path) {
    pending_recent_ = path;
}

void QtUserInteraction::commit_recent_file() {
    if (pending_recent_.empty()) return;
    recent_.add(pending_recent_);
    pending_recent_.clear();
    frame_.update_recent_menu(recent_.files());
}

void QtUserInteraction::set_title(const std::string& text) {
    frame_.setWindowTitle(display_text(text));
}

void QtUserInteraction::repaint_views() {
    frame_.repaint_view();
}

CivilDate QtUserInteraction::local_today() {
    const QDate d = QDate::currentDate();
    return CivilDate{d.year(), d.month(), d.day()};
}

}  // namespace korvel
