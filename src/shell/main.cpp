// korvel: the desktop viewer for PLUVARIC recordings.
#include <QApplication>
#include <cstdio>

#include "shell/command_line.h"
#include "shell/dialog_runner.h"
#include "shell/measure_hook.h"
#include "shell/shell_texts.h"
#include "shell/vorlex_app.h"

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName("korvel");
    QApplication::setApplicationVersion(KORVEL_VERSION);
    QApplication::setOrganizationName(korvel::texts::kSettingsOrganisation);
    QApplication::setDesktopFileName("korvel");

    const korvel::StartOptions options = korvel::parse_command_line(QApplication::arguments());
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
    korvel::install_dialog_runner_from_environment();

    korvel::CVorlex_2App app;
    if (!app.InitInstance(options)) return app.exit_status();
    korvel::install_measure_hook(app);
    return QApplication::exec();
}
