#include "shell/companion_viewer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <cstdio>

namespace korvel {

QString find_companion_viewer() {
    const QFileInfo beside(QCoreApplication::applicationDirPath() + QStringLiteral("/mirvan"));
    if (beside.isFile() && beside.isExecutable()) return beside.absoluteFilePath();
    return QStandardPaths::findExecutable(QStringLiteral("mirvan"));
}

QStringList companion_arguments(const std::string& path, double seconds) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    if (path.empty() || QFile::encodeName(name).toStdString() != path) return {};
    QStringList args;
    if (std::isfinite(seconds) && seconds >= 0.0 && seconds < 86400.0) {
        const long s = static_cast<long>(seconds);
        char text[32];
        std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
        args << QStringLiteral("--time") << QString::fromLatin1(text);
    }
    // After "--" a name that begins with a dash is still a file name.
    args << QStringLiteral("--") << name;
    return args;
}

double companion_seconds(const PlaybackSession& session) {
    const double newest = session.decode_context ? session.decode_context->m_oldA : 0.0;
    if (newest > 0.0 && session.line_rate > 0.0) return newest / session.line_rate;
    return session.start_seconds;
}

bool start_companion_viewer(const QStringList& arguments) {
    const QString program = find_companion_viewer();
    if (program.isEmpty()) return false;
    return QProcess::startDetached(program, arguments);
}

}  // namespace korvel
