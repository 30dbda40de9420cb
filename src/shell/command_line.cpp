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

}  // namespace

StartOptions parse_command_line(const QStringList& arguments) {
    StartOptions options;
    QStringList rest;
    for (int i = 0; i < arguments.size(); ++i) {
        if (i > 0 && is_launch_flag(arguments[i])) {
            options.show_splash = false;
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
    options.show_help = parser.isSet(help);
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
