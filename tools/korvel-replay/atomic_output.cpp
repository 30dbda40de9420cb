#include "atomic_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace korvel::replay {
namespace {

std::string directory_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The mode a file created by open(2) with 0666 would get under the current umask.
mode_t new_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

AtomicOutput::~AtomicOutput() {
    stream_.reset();
    if (!done_ && !temp_.empty()) ::unlink(temp_.c_str());
}

bool AtomicOutput::open(const std::string& target, std::string& error) {
    target_ = target;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd < 0) {
                error = std::strerror(errno);
                return false;
            }
            stream_ = std::make_unique<ReasonStream>(fd, true);
            return true;
        }
        // Replace the file a link names, not the link.
        if (char* real = ::realpath(target.c_str(), nullptr)) {
            target_ = real;
            std::free(real);
        }
    }
    // A short name: the target's own name may already be as long as a name can be.
    std::string pattern = directory_of(target_) + "/.korvel-replay-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    temp_ = name.data();
    // mkstemp makes the file private; the output gets the mode of the file it replaces, or
    // that of a new file.
    const mode_t mode = S_ISREG(st.st_mode) ? (st.st_mode & 07777) : new_file_mode();
    ::fchmod(fd, mode);
    stream_ = std::make_unique<ReasonStream>(fd, true);
    return true;
}

bool AtomicOutput::write(const void* data, size_t size) {
    return std::fwrite(data, 1, size, stream_->get()) == size;
}

bool AtomicOutput::commit(std::string& error) {
    int reason = stream_->flush();
    if (reason == 0 && !temp_.empty() && ::fsync(stream_->fd()) != 0) reason = errno;
    stream_.reset();  // closes the file
    if (reason == 0 && !temp_.empty() && ::rename(temp_.c_str(), target_.c_str()) != 0) {
        reason = errno;
    }
    if (reason != 0) {
        error = std::strerror(reason);
        return false;
    }
    done_ = true;
    return true;
}

}  // namespace korvel::replay
