#include "shell/recent_files.h"

#include <QFileInfo>
#include <QSettings>

#include "shell/shell_texts.h"

namespace korvel {
namespace {

QSettings settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, texts::kSettingsOrganisation,
                     texts::kSettingsApplication);
}

constexpr char kGroup[] = "Recent File List";

}  // namespace

QStringList with_recent(const QStringList& files, const QString& path) {
    const QString canonical = QFileInfo(path).absoluteFilePath();
    QStringList out{canonical};
    for (const QString& f : files) {
        if (out.size() == RecentFiles::kEntries) break;
        if (f != canonical && !f.isEmpty()) out << f;
    }
    return out;
}

RecentFiles::RecentFiles() {
    QSettings s = settings();
    s.beginGroup(kGroup);
    for (int i = 1; i <= kEntries; ++i) {
        const QString f = s.value(QStringLiteral("File%1").arg(i)).toString();
        if (!f.isEmpty()) files_ << f;
    }
}

void RecentFiles::add(const QString& path) {
    files_ = with_recent(files_, path);
    save();
}

void RecentFiles::save() const {
    QSettings s = settings();
    s.beginGroup(kGroup);
    for (int i = 1; i <= kEntries; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= files_.size()) {
            s.setValue(key, files_[i - 1]);
        } else {
            s.remove(key);
        }
    }
}

}  // namespace korvel
