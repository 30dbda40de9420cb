#pragma once

#include <QString>
#include <QStringList>

namespace korvel::mirvan {

// What mirvan's command line asks for. Read before any window exists, so that --help,
// --version and a mistyped option are answered on the terminal without a display.
struct MirvanOptions {
    bool ok = true;
    QString error;      // why the command line cannot be used (ok false)
    QString help_text;  // the usage, for --help and after an error
    bool show_help = false;
    bool show_version = false;
    int lines_per_row = 10;
    QString time;  // hh:mm:ss to start at; empty: the recording's first line
    QString grab;  // OUT.png; empty: no grab
    QString file;  // the recording; empty: none
};

// arguments: the whole command line, the program's name first.
MirvanOptions parse_mirvan_options(const QStringList& arguments);

// The arguments less the window system's own options (-platform NAME, -display NAME,
// -reverse, ...), which only the QApplication takes out: what is left for parsing before it
// exists.
QStringList without_window_system_options(const QStringList& arguments);

}  // namespace korvel::mirvan
