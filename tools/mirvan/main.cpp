// mirvan: the still-picture viewer of a recording's scan lines, KORVEL's companion.
#include <QApplication>
#include <QCommandLineParser>

#include "mirvan_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("mirvan");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Shows the scan lines of both cameras of a PLUVARIC recording as still pictures.");
    parser.addHelpOption();
    parser.addPositionalArgument("file", "The recording to show.", "[file.ab]");
    parser.process(app);
    korvel::mirvan::MirvanWindow window;
    window.show();
    if (!parser.positionalArguments().isEmpty()) window.open(parser.positionalArguments().first());
    return QApplication::exec();
}
