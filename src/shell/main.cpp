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

// --help and --version need no display: they are answered before the window system is asked
// for. The window system's own options (-platform and the like) are known only to the
// QApplication, so a command line this pass cannot read is left to the second one.
int answer_without_display(int argc, char** argv) {
    int count = argc;
    QCoreApplication core(count, argv);
    name_the_application();
    const korvel::StartOptions options = korvel::parse_command_line(count, argv);
    if (!options.ok || !(options.show_help || options.show_version)) return -1;
    return answer_on_terminal(options);
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
