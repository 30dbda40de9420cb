// mirvan: the still-picture viewer of a recording's scan lines, KORVEL's companion.
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "common/number_text.h"
#include "mirvan_window.h"
#include "window_grab.h"

int main(int argc, char** argv) {
    // A grab needs no screen: with no display to talk to, it is drawn offscreen whatever
    // QT_QPA_PLATFORM says (a window system without its display aborts the program).
    const bool grabbing = std::any_of(argv + 1, argv + argc, [](const char* a) {
        return std::strcmp(a, "--grab") == 0 || std::strncmp(a, "--grab=", 7) == 0;
    });
    if (grabbing && std::getenv("DISPLAY") == nullptr &&
        std::getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("mirvan");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Shows the scan lines of both cameras of a PLUVARIC recording as still pictures.");
    parser.addHelpOption();
    parser.addPositionalArgument("file", "The recording to show.", "[file.ab]");
    const QCommandLineOption rows({"l", "lines-per-row"},
                                  "Scan lines per picture row: 1, 2, 5, 10, 50 or 200.", "N", "10");
    const QCommandLineOption time({"t", "time"}, "Start at this time of day (hh:mm:ss).", "TIME");
    const QCommandLineOption grab("grab",
                                  "Once the file is indexed, save the window as PNG and end "
                                  "(status 1 when it cannot be written).",
                                  "OUT.png");
    parser.addOptions({rows, time, grab});
    parser.process(app);

    // Digits alone, as every number of our programs (QString::toInt would take " +10").
    const auto number = korvel::parse_whole_number(parser.value(rows).toStdString(), 1, 200);
    const int per_row = number ? static_cast<int>(*number) : 0;
    if (std::find(std::begin(korvel::mirvan::MirvanWindow::kLinesPerRow),
                  std::end(korvel::mirvan::MirvanWindow::kLinesPerRow),
                  per_row) == std::end(korvel::mirvan::MirvanWindow::kLinesPerRow)) {
        const std::string error = korvel::number_option_error(
            "--lines-per-row", "1, 2, 5, 10, 50 or 200", parser.value(rows).toStdString());
        std::fprintf(stderr, "mirvan: %s\n", error.c_str());
        return 2;
    }
    const QStringList files = parser.positionalArguments();
    const QString out = parser.value(grab);
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
    window.show();
    QObject::connect(&window, &korvel::mirvan::MirvanWindow::indexed, &window, [&] {
        if (parser.isSet(time)) window.go_to_time(parser.value(time));
        if (!out.isEmpty()) QApplication::exit(korvel::mirvan::grab_window(window, out));
    });
    if (!files.isEmpty() && !window.open(files.first()) && !out.isEmpty()) return 1;
    if (files.isEmpty() && !out.isEmpty()) {
        QTimer::singleShot(0, &window,
                           [&] { QApplication::exit(korvel::mirvan::grab_window(window, out)); });
    }
    return QApplication::exec();
}
