#include "shell/dialog_runner.h"

#include <QDialog>
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
