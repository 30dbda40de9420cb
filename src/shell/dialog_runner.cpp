#include "shell/dialog_runner.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

namespace korvel {
namespace {

DialogRunner plain_runner;
DialogRunner* installed = nullptr;

}  // namespace

int DialogRunner::run(QDialog& dialog, const QString&) {
    return dialog.exec();
}

DialogRunner& DialogRunner::current() {
    return installed ? *installed : plain_runner;
}

void DialogRunner::install(DialogRunner* runner) {
    installed = runner;
}

int AutoAcceptRunner::run(QDialog& dialog, const QString& text) {
    if (!text.isEmpty()) {
        std::fprintf(stderr, "korvel: %s\n", text.toUtf8().constData());
        std::fflush(stderr);
    }
    if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
        // A file dialog accepted with nothing chosen would stay on the screen.
        const QString given = qEnvironmentVariable("KORVEL_AUTO_FILE");
        const char* const answered = "korvel_auto_answered";
        if (given.isEmpty() || files->property(answered).toBool()) return QDialog::Rejected;
        files->setProperty(answered, true);
        // Relative to the working directory, as a path on the command line is; the dialog
        // would take it relative to the folder it shows.
        const QString path = QDir::current().absoluteFilePath(given);
        if (QFileInfo(path).isDir()) {
            std::fprintf(stderr, "korvel: KORVEL_AUTO_FILE names a folder, not a file: %s\n",
                         QFile::encodeName(path).constData());
            std::fflush(stderr);
            return QDialog::Rejected;
        }
        files->selectFile(path);
        return QDialog::Accepted;
    }
    // Accept from inside the dialog's own event loop, so it runs exactly as it would for a
    // person pressing OK.
    QTimer::singleShot(0, &dialog, &QDialog::accept);
    return dialog.exec();
}

void install_dialog_runner_from_environment() {
    static AutoAcceptRunner auto_runner;
    if (qEnvironmentVariable("KORVEL_AUTO_DIALOGS") == QLatin1String("accept")) {
        DialogRunner::install(&auto_runner);
    }
}

}  // namespace korvel
