#include "shell/display_text.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <string_view>

#include "common/utf8.h"

namespace korvel {
namespace {

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

QString display_text(const std::string& bytes) {
    std::string clean;
    clean.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = utf8_sequence_length(std::string_view(bytes).substr(i));
        if (n == 0) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(bytes[i]));
            clean += escaped;
            ++i;
        } else {
            clean.append(bytes, i, n);
            i += n;
        }
    }
    return QString::fromStdString(clean);
}

std::string path_bytes(const QString& path) {
    const std::string direct = QFile::encodeName(path).toStdString();
    if (path.isEmpty() || exists(direct)) return direct;
    const QFileInfo info(path);
    const std::string dir = QFile::encodeName(info.absolutePath()).toStdString();
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return direct;
    std::string found;
    int matches = 0;
    while (const dirent* entry = ::readdir(d)) {
        if (QFile::decodeName(entry->d_name) == info.fileName()) {
            found = entry->d_name;
            ++matches;
        }
    }
    ::closedir(d);
    // Two names that read the same cannot be told apart: neither is guessed.
    if (matches != 1) return direct;
    return dir == "/" ? "/" + found : dir + "/" + found;
}

}  // namespace korvel
