#include "shell/recent_files.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <algorithm>

#include "shell/shell_texts.h"

namespace korvel {
namespace {

QSettings settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, texts::kSettingsOrganisation,
                     texts::kSettingsApplication);
}

constexpr char kGroup[] = "Recent File List";

bool is_utf8(const std::string& bytes) {
    const QString text = QString::fromStdString(bytes);
    return text.toStdString() == bytes;
}

}  // namespace

QString recent_menu_name(const QString& name, int max_chars) {
    QString shown = name;
    if (name.size() > max_chars && max_chars > 1) {
        // The end keeps a little more than the start: the file's own name matters most.
        qsizetype head = (max_chars - 1) / 2;
        qsizetype tail = max_chars - 1 - head;
        // Never a cut between the two halves of a character outside the basic plane.
        if (head > 0 && name.at(head - 1).isHighSurrogate()) --head;
        if (tail > 0 && name.at(name.size() - tail).isLowSurrogate()) --tail;
        shown = name.left(head) + QChar(0x2026) + name.right(tail);
    }
    return shown.replace('&', QStringLiteral("&&"));
}

std::vector<std::string> with_recent(const std::vector<std::string>& files,
                                     const std::string& path) {
    std::string absolute = path;
    if (!path.empty() && path[0] != '/') {
        absolute = QFile::encodeName(QDir::currentPath()).toStdString() + "/" + path;
    }
    std::vector<std::string> out{absolute};
    for (const std::string& f : files) {
        if (out.size() == RecentFiles::kEntries) break;
        if (f != absolute && !f.empty()) out.push_back(f);
    }
    return out;
}

RecentFiles::RecentFiles() {
    QSettings s = settings();
    s.beginGroup(kGroup);
    for (int i = 1; i <= kEntries; ++i) {
        const QVariant v = s.value(QStringLiteral("File%1").arg(i));
        // A name that is not UTF-8 is kept as bytes; every other one as text, readable in the
        // settings file.
        const std::string f = v.typeId() == QMetaType::QByteArray ? v.toByteArray().toStdString()
                                                                  : v.toString().toStdString();
        if (!f.empty()) files_.push_back(f);
    }
}

void RecentFiles::add(const std::string& path) {
    files_ = with_recent(files_, path);
    save();
}

void RecentFiles::remove(const std::string& path) {
    files_.erase(std::remove(files_.begin(), files_.end(), path), files_.end());
    save();
}

void RecentFiles::save() const {
    QSettings s = settings();
    s.beginGroup(kGroup);
    for (int i = 1; i <= kEntries; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (static_cast<size_t>(i) > files_.size()) {
            s.remove(key);
            continue;
        }
        const std::string& f = files_[static_cast<size_t>(i) - 1];
        if (is_utf8(f)) {
            s.setValue(key, QString::fromStdString(f));
        } else {
            s.setValue(key, QByteArray::fromStdString(f));
        }
    }
}

}  // namespace korvel
