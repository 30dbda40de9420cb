#include "mirvan_options.h"

#include <QCommandLineParser>
#include <algorithm>
#include <iterator>

#include "common/number_text.h"
#include "mirvan_window.h"

namespace korvel::mirvan {
namespace {

// The options QGuiApplication and QApplication take for themselves, with a value or not.
const char* const kWithValue[] = {"platform",
                                  "platformpluginpath",
                                  "platformtheme",
                                  "plugin",
                                  "qwindowgeometry",
                                  "geometry",
                                  "qwindowtitle",
                                  "title",
                                  "qwindowicon",
                                  "icon",
                                  "display",
                                  "style",
                                  "stylesheet",
                                  "session",
                                  "name",
                                  "fontengine"};
const char* const kAlone[] = {"reverse", "nograb", "dograb", "sync", "widgetcount", "testability"};

// The option's name without its one or two dashes and any "=value"; empty for a non-option.
QString option_name(const QString& arg) {
    if (!arg.startsWith('-')) return QString();
    QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    return name.left(name.indexOf('='));
}

template <size_t N>
bool named(const QString& name, const char* const (&list)[N]) {
    return std::any_of(std::begin(list), std::end(list),
                       [&](const char* n) { return name == QLatin1String(n); });
}

}  // namespace

QStringList without_window_system_options(const QStringList& arguments) {
    QStringList out;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (i > 0 && arg == QLatin1String("--")) {  // the rest are file names
            out += arguments.mid(i);
            break;
        }
        const QString name = i == 0 ? QString() : option_name(arg);
        if (!name.isEmpty() && named(name, kWithValue)) {
            if (!arg.contains('=')) ++i;  // its value follows
            continue;
        }
        if (!name.isEmpty() && named(name, kAlone)) continue;
        out << arg;
    }
    return out;
}

MirvanOptions parse_mirvan_options(const QStringList& arguments) {
    MirvanOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Shows the scan lines of both cameras of a PLUVARIC recording as still pictures.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument("file", "The recording to show.", "[file.ab]");
    const QCommandLineOption rows({"l", "lines-per-row"},
                                  "Scan lines per picture row: 1, 2, 5, 10, 50 or 200.", "N", "10");
    const QCommandLineOption time({"t", "time"}, "Start at this time of day (hh:mm:ss).", "TIME");
    const QCommandLineOption grab("grab",
                                  "Once the file is indexed, save the window as PNG and end "
                                  "(status 1 when it cannot be written).",
                                  "OUT.png");
    parser.addOptions({rows, time, grab});
    options.help_text = parser.helpText();
    const auto fail = [&](const QString& why) {
        options.ok = false;
        options.error = why;
        return options;
    };
    if (!parser.parse(arguments)) return fail(parser.errorText());
    options.show_help = parser.isSet(help) || parser.isSet(QStringLiteral("help-all"));
    options.show_version = parser.isSet(version);
    if (options.show_help || options.show_version) return options;

    // Digits alone, as every number of our programs (QString::toInt would take " +10").
    const std::string rows_text = parser.value(rows).toStdString();
    const auto number = parse_whole_number(rows_text, 1, 200);
    options.lines_per_row = number ? static_cast<int>(*number) : 0;
    if (std::find(std::begin(MirvanWindow::kLinesPerRow), std::end(MirvanWindow::kLinesPerRow),
                  options.lines_per_row) == std::end(MirvanWindow::kLinesPerRow)) {
        return fail(QString::fromStdString(
            number_option_error("--lines-per-row", "1, 2, 5, 10, 50 or 200", rows_text)));
    }
    options.time = parser.value(time);
    options.grab = parser.value(grab);
    if (parser.isSet(grab) && options.grab.isEmpty()) return fail("--grab needs a file name");
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        return fail(QStringLiteral("one recording at a time, %1 were named").arg(files.size()));
    }
    if (!files.isEmpty()) options.file = files.first();
    return options;
}

}  // namespace korvel::mirvan
