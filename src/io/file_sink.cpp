#include "io/file_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/fatal_error.h"

namespace korvel {

namespace {
// Large enough that a gigabyte streams out in few system calls.
constexpr size_t kWriteBuffer = 1 << 20;
}  // namespace

FileSink::FileSink(const std::string& path, Existing existing) : path_(path) {
    // "x" makes the creation exclusive: the check for an existing file and the creation are
    // one step, so no file that appears in between is overwritten.
    file_ = std::fopen(path.c_str(), existing == Existing::keep ? "wbx" : "wb");
    if (file_ == nullptr) fail("cannot create");
    std::setvbuf(file_, nullptr, _IOFBF, kWriteBuffer);
}

FileSink::FileSink(int fd, const std::string& path) : path_(path) {
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) fail("cannot write");
    file_ = ::fdopen(own, "wb");
    if (file_ == nullptr) {
        const int err = errno;
        ::close(own);
        errno = err;
        fail("cannot write");
    }
    std::setvbuf(file_, nullptr, _IOFBF, kWriteBuffer);
}

FileSink::~FileSink() {
    if (file_ != nullptr) std::fclose(file_);
}

void FileSink::write(const uint8_t* data, size_t n) {
    if (file_ == nullptr) fail("write after close to");
    if (n != 0 && std::fwrite(data, 1, n, file_) != n) fail("cannot write");
}

void FileSink::close() {
    if (file_ == nullptr) return;
    std::FILE* f = file_;
    file_ = nullptr;
    // fclose flushes the buffer: a full disk shows up here at the latest.
    const bool write_failed = std::ferror(f) != 0;
    if (std::fclose(f) != 0 || write_failed) fail("cannot write");
}

void FileSink::fail(const char* what) {
    const int err = errno;
    std::string text = std::string(what) + " " + path_;
    if (err != 0) text += std::string(": ") + std::strerror(err);
    throw FatalError(text);
}

}  // namespace korvel
