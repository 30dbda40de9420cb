#include "reason_stream.h"

#include <unistd.h>

#include <cerrno>

namespace korvel::replay {

ssize_t ReasonStream::write_cookie(void* cookie, const char* data, size_t size) {
    auto* self = static_cast<ReasonStream*>(cookie);
    if (self->error_ != 0) {
        errno = self->error_;
        return 0;
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(self->fd_, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write of nothing to a file is a full device that said so the other way.
            self->error_ = n < 0 ? errno : ENOSPC;
            errno = self->error_;
            return 0;  // the cookie protocol: 0 is an error
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

ReasonStream::ReasonStream(int fd, bool owns_fd) : fd_(fd), owns_fd_(owns_fd) {
    cookie_io_functions_t io{};
    io.write = &ReasonStream::write_cookie;
    stream_ = fopencookie(this, "w", io);
}

ReasonStream::~ReasonStream() {
    if (stream_) std::fclose(stream_);
    if (owns_fd_ && fd_ >= 0) ::close(fd_);
}

int ReasonStream::flush() {
    if (stream_ == nullptr) return ENOMEM;
    if (std::fflush(stream_) != 0 && error_ == 0) error_ = errno != 0 ? errno : EIO;
    if (std::ferror(stream_) && error_ == 0) error_ = EIO;
    return error_;
}

}  // namespace korvel::replay
