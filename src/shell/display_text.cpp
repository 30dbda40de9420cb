#include "shell/display_text.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace korvel {
namespace {

// The length of the well-formed UTF-8 sequence at s[i], or 0 when there is none.
size_t utf8_length(const std::string& s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80) return 1;
    size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) low = 0xA0;   // no overlong forms
        if (b == 0xED) high = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (size_t k = 2; k < n; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    }
    return n;
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

QString display_text(const std::string& bytes) {
    std::string clean;
    clean.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = utf8_length(bytes, i);
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
