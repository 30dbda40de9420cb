#include "live_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/fatal_error.h"

namespace korvel {

LiveFile::LiveFile(std::string path) : path_(std::move(path)) {
    // O_EXCL: a recording that is already there is never written over.
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        if (errno == EEXIST) {
            throw FatalError(path_ + " exists: --live writes a new recording and never over one");
        }
        fail("cannot create");
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) fail("cannot examine");
    device_ = st.st_dev;
    inode_ = st.st_ino;
}

LiveFile::~LiveFile() {
    if (fd_ >= 0) ::close(fd_);
}

void LiveFile::fail(const char* what) {
    write_failed_ = true;
    throw FatalError(std::string(what) + " " + path_ + ": " + std::strerror(errno));
}

void LiveFile::write(const uint8_t* data, size_t n) {
    if (fd_ < 0) throw FatalError("write to " + path_ + " after it was closed");
    pending_.insert(pending_.end(), data, data + n);
}

void LiveFile::flush() {
    size_t done = length_ - flushed_;  // a flush that failed before may have put some there
    while (done < pending_.size()) {
        const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            fail("cannot write");
        }
        done += static_cast<size_t>(n);
        length_ = flushed_ + done;
    }
    pending_.clear();
    flushed_ = length_;
}

void LiveFile::write_over(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            fail("cannot write");
        }
        done += static_cast<size_t>(n);
    }
}

bool LiveFile::still_named() const {
    struct stat st {};
    return ::stat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_;
}

void LiveFile::check_still_named() const {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) {
        if (errno == ENOENT) throw FatalError(path_ + " was removed while --live was writing it");
        throw FatalError("cannot examine " + path_ + " while writing it: " + std::strerror(errno));
    }
    if (st.st_dev != device_ || st.st_ino != inode_) {
        throw FatalError(path_ + " was replaced by another file while --live was writing it");
    }
}

void LiveFile::cut_back(uint64_t length) {
    if (length >= length_) return;
    if (fd_ < 0) throw FatalError("cannot shorten " + path_ + ": it is closed");
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        throw FatalError("cannot shorten " + path_ + ": " + std::strerror(errno));
    }
    length_ = flushed_ = length;
    pending_.clear();
}

void LiveFile::close() {
    if (fd_ < 0) return;
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail("cannot close");
}

}  // namespace korvel
