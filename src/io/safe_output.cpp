#include "io/safe_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "io/temp_file_registry.h"

namespace korvel {
namespace {

// The mode a file created by open(2) with 0666 would get under the current umask, read from
// /proc where possible: setting the umask to read it is not safe while other threads create
// files.
mode_t new_file_mode() {
    mode_t mask = 022;
    if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f) != nullptr) {
            unsigned value = 0;
            if (std::sscanf(line, "Umask: %o", &value) == 1) {
                mask = static_cast<mode_t>(value & 0777);
                found = true;
            }
        }
        std::fclose(f);
        if (found) return 0666 & ~mask;
    }
    mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::string directory_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

SafeOutput::~SafeOutput() {
    discard();
}

int SafeOutput::open(const std::string& target, const std::string& prefix, Link link) {
    discard();
    target_ = target;
    temp_.clear();
    finished_ = false;
    struct stat st {};
    const bool exists =
        link == Link::follow ? ::stat(target.c_str(), &st) == 0 : ::lstat(target.c_str(), &st) == 0;
    // The link itself is replaced by the rename, by a file of a new file's mode.
    if (exists && S_ISLNK(st.st_mode)) return open_temp(prefix, new_file_mode());
    if (exists && S_ISDIR(st.st_mode)) return EISDIR;
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe cannot be replaced by a rename: written in place.
        fd_ = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        return fd_ < 0 ? errno : 0;
    }
    if (exists) {
        // Replace the file a link names, not the link.
        if (char* real = ::realpath(target.c_str(), nullptr)) {
            target_ = real;
            std::free(real);
        }
    } else if (link == Link::follow) {
        // A dangling link: the file it would name is created, the link stays.
        char buffer[PATH_MAX];
        struct stat lst {};
        if (::lstat(target.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
            const ssize_t n = ::readlink(target.c_str(), buffer, sizeof buffer - 1);
            if (n > 0) {
                const std::string dest(buffer, static_cast<size_t>(n));
                target_ = dest[0] == '/' ? dest : directory_of(target) + "/" + dest;
            }
        }
    }
    // mkstemp makes the file private; the output gets the mode of the file it replaces, or
    // that of a new file.
    return open_temp(prefix, exists ? (st.st_mode & 07777) : new_file_mode());
}

int SafeOutput::open_temp(const std::string& prefix, unsigned mode) {
    const std::string pattern = directory_of(target_) + "/" + prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // A signal between the file's creation and its registration would leave it behind: the
    // ending signals wait until the name is where the handler finds it.
    sigset_t ending, old;
    sigemptyset(&ending);
    for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, s);
    ::pthread_sigmask(SIG_BLOCK, &ending, &old);
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    const int err = errno;
    if (fd_ >= 0) {
        temp_ = name.data();
        slot_ = TempFileRegistry::add(temp_);
    }
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (fd_ < 0) return err;
    if (::fchmod(fd_, static_cast<mode_t>(mode)) != 0) {
        const int err = errno;
        discard();
        return err;
    }
    return 0;
}

int SafeOutput::write_all(const void* data, size_t size) {
    if (fd_ < 0) return EBADF;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

int SafeOutput::finish() {
    if (finished_) return 0;
    if (fd_ < 0) return EBADF;
    int err = 0;
    // A device or a pipe has nothing to sync.
    if (!temp_.empty() && ::fsync(fd_) != 0) err = errno;
    if (::close(fd_) != 0 && err == 0 && errno != EINTR) err = errno;
    fd_ = -1;
    if (err != 0) {
        discard();
        return err;
    }
    finished_ = true;
    return 0;
}

int SafeOutput::commit() {
    if (const int err = finish(); err != 0) return err;
    if (temp_.empty()) return 0;
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        discard();
        return err;
    }
    temp_.clear();
    TempFileRegistry::remove(slot_);
    slot_ = -1;
    return 0;
}

void SafeOutput::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    TempFileRegistry::remove(slot_);
    slot_ = -1;
    finished_ = false;
}

}  // namespace korvel
