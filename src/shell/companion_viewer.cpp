#include "shell/companion_viewer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace korvel {

QString find_companion_viewer() {
    const QFileInfo beside(QCoreApplication::applicationDirPath() + QStringLiteral("/mirvan"));
    if (beside.isFile() && beside.isExecutable()) return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(QStringLiteral("mirvan"));
}

bool start_companion_viewer() {
    const QString program = find_companion_viewer();
    if (program.isEmpty()) return false;
    return QProcess::startDetached(program, {});
}

}  // namespace korvel
