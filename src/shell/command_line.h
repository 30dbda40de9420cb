#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace korvel {

// What the command line asks for.
struct StartOptions {
    bool ok = true;             // false: a usage error, told in error
    bool show_help = false;     // --help: the usage text is in help_text
    bool show_version = false;  // --version
    bool show_splash = true;    // off with the Embedding or Automation flag
    bool play = false;          // --play: start playback once the named file is open
    QString data_file;          // the one data file named, empty for none
    std::string data_path;      // its bytes as the system gave them (see below)
    QString error;
    QString help_text;
};

// Parses korvel's arguments (arguments[0] is the program). The desktop's launch flags
// "Embedding" and "Automation" are taken in the forms -Embedding, /Embedding and --embedding
// (any letter case) and only turn the splash screen off. At most one data file may be named.
StartOptions parse_command_line(const QStringList& arguments);
// The same for the arguments as main received them; the data file's path keeps its bytes,
// so a name that is not UTF-8 opens.
StartOptions parse_command_line(int argc, char** argv);

// The start-up directory as the session keeps it: at most 59 characters; a longer path is
// not cut (a cut path would name another folder) but left empty.
std::string start_up_directory(const std::string& cwd);

}  // namespace korvel
