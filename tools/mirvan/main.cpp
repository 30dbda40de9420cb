// mirvan: the still-picture viewer of a recording's scan lines, KORVEL's companion.
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mirvan_options.h"
#include "mirvan_window.h"
#include "window_grab.h"

namespace {

void name_the_application() {
    QCoreApplication::setApplicationName("mirvan");
    QCoreApplication::setApplicationVersion(KORVEL_VERSION);
}

// Reads the command line before any window system is asked for, so that --help, --version
// and a mistyped option are answered on the terminal also where no display is: the status to
// end with, or -1 when the window is to open.
int read_command_line(int argc, char** argv, korvel::mirvan::MirvanOptions& options) {
    int count = argc;
    const QCoreApplication core(count, argv);
    name_the_application();
    options = korvel::mirvan::parse_mirvan_options(
        korvel::mirvan::without_window_system_options(QCoreApplication::arguments()));
    if (!options.ok) {
        std::fprintf(stderr, "mirvan: %s\n%s", qPrintable(options.error),
                     qPrintable(options.help_text));
        return 2;
    }
    if (options.show_help) {
        std::fputs(qPrintable(options.help_text), stdout);
        return 0;
    }
    if (options.show_version) {
        std::printf("mirvan %s\n", KORVEL_VERSION);
        return 0;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    korvel::mirvan::MirvanOptions options;
    if (const int status = read_command_line(argc, argv, options); status >= 0) return status;
    // A grab needs no screen: with no display to talk to, it is drawn offscreen whatever
    // QT_QPA_PLATFORM says (a window system without its display aborts the program).
    const bool grabbing = !options.grab.isEmpty();
    if (grabbing && std::getenv("DISPLAY") == nullptr &&
        std::getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    name_the_application();

    const int per_row = options.lines_per_row;
    const QString out = options.grab;
    const QStringList files = options.file.isEmpty() ? QStringList() : QStringList{options.file};
    if (!out.isEmpty()) {
        const std::string refused =
            korvel::mirvan::grab_refusal(out, files.isEmpty() ? QString() : files.first());
        if (!refused.empty()) {
            std::fprintf(stderr, "mirvan: %s\n", refused.c_str());
            return 2;
        }
    }
    korvel::mirvan::MirvanWindow window;
    if (!out.isEmpty()) {
        window.report_failure = [](const QString& text) {
            std::fprintf(stderr, "mirvan: %s\n", qPrintable(text));
        };
    }
    window.set_lines_per_row(per_row);
    if (out.isEmpty()) window.fit_to_screen();
    window.show();
    QObject::connect(&window, &korvel::mirvan::MirvanWindow::indexed, &window, [&] {
        if (!options.time.isEmpty()) window.go_to_time(options.time);
        if (!out.isEmpty()) QApplication::exit(korvel::mirvan::grab_window(window, out));
    });
    if (!files.isEmpty() && !window.open(files.first()) && !out.isEmpty()) return 1;
    if (files.isEmpty() && !out.isEmpty()) {
        QTimer::singleShot(0, &window,
                           [&] { QApplication::exit(korvel::mirvan::grab_window(window, out)); });
    }
    return QApplication::exec();
}
