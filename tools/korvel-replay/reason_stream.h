#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdio>

namespace korvel::replay {

// A stdio stream over a file descriptor that keeps the reason (errno) of its first failed
// write. A plain FILE* only says that a write failed, and by the time the caller looks,
// errno has long been overwritten: "write error" is all a user would be told.
class ReasonStream {
  public:
    // Writes to fd; closes it at the end only when owns_fd. The stream is fully buffered.
    ReasonStream(int fd, bool owns_fd);
    ~ReasonStream();
    ReasonStream(const ReasonStream&) = delete;
    ReasonStream& operator=(const ReasonStream&) = delete;

    std::FILE* get() const { return stream_; }
    int fd() const { return fd_; }
    // Flushes what is buffered. Returns 0, or the errno of the first failed write.
    int flush();
    // The errno of the first failed write; 0 while none failed.
    int error() const { return error_; }

  private:
    static ssize_t write_cookie(void* self, const char* data, size_t size);
    int fd_;
    bool owns_fd_;
    int error_ = 0;
    std::FILE* stream_ = nullptr;
};

}  // namespace korvel::replay
