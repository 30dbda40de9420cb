#include "shell/command_line.h"

#include <QCommandLineParser>
#include <QFile>

#include "shell/shell_texts.h"

namespace korvel {
namespace {

// The instrument's software has always kept the start-up directory in a buffer of 60
// characters, terminator included: a directory of up to 59 characters is where CORRFACT.DAT
// is looked for, a longer one leaves the directory empty and no correction file is read (see
// load_corrections). Installations are laid out around that, so a deeper start-up directory
// still means "no correction file" here.
constexpr size_t kWorkDirLimit = 59;

// The options the window system takes for itself (QGuiApplication and QApplication read them
// when they start), with whether each takes the next argument as its value. They are left
// for it: the first reading of the command line comes before any window system is asked for,
// so that a usage error or --help is answered even where there is no display.
struct WindowSystemOption {
    const char* name;
    bool takes_value;
};
constexpr WindowSystemOption kWindowSystemOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"geometry", true},
    {"title", true},           {"icon", true},
    {"display", true},         {"name", true},
    {"session", true},         {"style", true},
    {"stylesheet", true},      {"reverse", false},
    {"widgetcount", false},    {"nograb", false},
    {"dograb", false},         {"sync", false},
    {"qmljsdebugger", false},
};

// The window-system option arg names, or null. -name, --name and -name=value all count.
const WindowSystemOption* window_system_option(const QString& arg, bool& value_attached) {
    if (!arg.startsWith('-')) return nullptr;
    QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    value_attached = name.contains('=');
    if (value_attached) name.truncate(name.indexOf('='));
    for (const WindowSystemOption& o : kWindowSystemOptions) {
        if (name == QLatin1String(o.name)) return &o;
    }
    return nullptr;
}

bool is_launch_flag(const QString& arg) {
    QString name = arg;
    if (name.startsWith(QLatin1String("--"))) {
        name = name.mid(2);
    } else if (name.startsWith('-') || name.startsWith('/')) {
        name = name.mid(1);
    } else {
        return false;
    }
    return name.compare(QLatin1String("Embedding"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("Automation"), Qt::CaseInsensitive) == 0;
}

QString window_system_help() {
    QString text = QStringLiteral("\nOptions of the window system (see the Qt documentation):\n");
    for (const WindowSystemOption& o : kWindowSystemOptions) {
        text += QStringLiteral("  -%1%2\n").arg(o.name, o.takes_value ? " <value>" : "");
    }
    return text;
}

}  // namespace

StartOptions parse_command_line(const QStringList& arguments) {
    StartOptions options;
    QStringList rest;
    for (int i = 0; i < arguments.size(); ++i) {
        bool value_attached = false;
        if (i == 0) {
            rest << arguments[i];
        } else if (is_launch_flag(arguments[i])) {
            options.show_splash = false;
        } else if (const WindowSystemOption* o =
                       window_system_option(arguments[i], value_attached)) {
            if (o->takes_value && !value_attached) ++i;  // its value is the window system's too
        } else {
            rest << arguments[i];
        }
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "KORVEL plays back PLUVARIC disdrometer recordings (.ab with its .abh index).");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption play(
        "play", "Start playback as soon as the file named is open (as Alt+S does).");
    parser.addOption(play);
    parser.addPositionalArgument("file", "The recording to open (asks for the start time).",
                                 "[file.ab]");
    options.help_text = parser.helpText();
    if (!parser.parse(rest)) {
        options.ok = false;
        options.error = parser.errorText();
        return options;
    }
    options.show_help = parser.isSet(help) || parser.isSet(QStringLiteral("help-all"));
    if (parser.isSet(QStringLiteral("help-all"))) options.help_text += window_system_help();
    options.show_version = parser.isSet(version);
    options.play = parser.isSet(play);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        options.ok = false;
        options.error =
            QStringLiteral("at most one data file can be opened, %1 were named").arg(files.size());
        return options;
    }
    if (!files.isEmpty()) {
        options.data_file = files.first();
        options.data_path = QFile::encodeName(options.data_file).toStdString();
    }
    return options;
}

StartOptions parse_command_line(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
    StartOptions options = parse_command_line(arguments);
    if (options.data_file.isEmpty()) return options;
    // The text form of a name that is not UTF-8 has lost its bytes: take them from the
    // argument that reads as the file named (an option never does: it starts with a dash).
    for (int i = argc - 1; i > 0; --i) {
        if (arguments[i] == options.data_file) {
            options.data_path = argv[i];
            break;
        }
    }
    return options;
}

std::string start_up_directory(const std::string& cwd) {
    return cwd.size() <= kWorkDirLimit ? cwd : std::string();
}

}  // namespace korvel
