#include "spool_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace korvel::replay {

bool SpoolFile::open(std::string& error) {
    const char* tmpdir = std::getenv("TMPDIR");
    dir_ = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
    int fd = ::open(dir_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // A file system without unnamed files: a named one, removed at once.
        std::string pattern = dir_ + "/korvel-replay-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) ::unlink(name.data());
    }
    if (fd < 0) {
        error = "cannot make a temporary file in " + dir_ + ": " + std::strerror(errno);
        return false;
    }
    stream_ = std::make_unique<ReasonStream>(fd, true);
    return true;
}

bool SpoolFile::pass_on(std::FILE* out, std::string& error) {
    if (const int reason = stream_->flush(); reason != 0) {
        error = "its output could not be held in " + dir_ + ": " + std::strerror(reason);
        return false;
    }
    if (::lseek(stream_->fd(), 0, SEEK_SET) != 0) {
        error = "its held output could not be read back: " + std::string(std::strerror(errno));
        return false;
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(stream_->fd(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "its held output could not be read back: " + std::string(std::strerror(errno));
            return false;
        }
        if (n == 0) return true;
        if (std::fwrite(buffer, 1, static_cast<size_t>(n), out) != static_cast<size_t>(n)) {
            return false;
        }
    }
}

}  // namespace korvel::replay
