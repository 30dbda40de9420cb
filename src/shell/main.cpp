// korvel: the desktop viewer for PLUVARIC recordings.
#include <QApplication>
#include <QCoreApplication>
#include <cstdio>

#include "shell/command_line.h"
#include "shell/dialog_runner.h"
#include "shell/measure_hook.h"
#include "shell/shell_texts.h"
#include "shell/vorlex_app.h"

namespace {

void name_the_application() {
    QCoreApplication::setApplicationName("korvel");
    QCoreApplication::setApplicationVersion(KORVEL_VERSION);
    QCoreApplication::setOrganizationName(korvel::texts::kSettingsOrganisation);
}

// A usage error, --help or --version, answered on the terminal: the status to end with, or
// -1 when the program is to start.
int answer_on_terminal(const korvel::StartOptions& options) {
    if (!options.ok) {
        std::fprintf(stderr, "korvel: %s\n%s", options.error.toLocal8Bit().constData(),
                     options.help_text.toLocal8Bit().constData());
        return 2;
    }
    if (options.show_help) {
        std::fputs(options.help_text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.show_version) {
        std::printf("korvel %s (%s)\n", KORVEL_VERSION, korvel::texts::kVersion);
        return 0;
    }
    return -1;
}

// Every option is read before the window system is asked for, so a usage error, --help,
// --help-all and --version are answered on the terminal even without a display (a
// QApplication without one ends the program with an abort). The window system's own options
// (-platform and the like) are passed over here and left to the QApplication.
int answer_without_display(int argc, char** argv) {
    int count = argc;
    QCoreApplication core(count, argv);
    name_the_application();
    return answer_on_terminal(korvel::parse_command_line(count, argv));
}

}  // namespace

int main(int argc, char** argv) {
    if (const int status = answer_without_display(argc, argv); status >= 0) return status;

    QApplication qt(argc, argv);  // takes its own options out of argv
    name_the_application();
    QApplication::setDesktopFileName("korvel");
    const korvel::StartOptions options = korvel::parse_command_line(argc, argv);
    if (const int status = answer_on_terminal(options); status >= 0) return status;
    korvel::install_dialog_runner_from_environment();

    korvel::CVorlex_2App app;
    if (!app.InitInstance(options)) return app.exit_status();
    korvel::install_measure_hook(app);
    return QApplication::exec();
}
