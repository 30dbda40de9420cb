#include "io/file_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "common/fatal_error.h"

namespace korvel {

FileSource::FileSource(int fd, std::string path)
    : fd_(fd), path_(std::move(path)), identity_(identity_of_descriptor(fd)) {
    for (Block& b : blocks_) b.data.reset(new uint8_t[kBlockSize]);
}

FileSource::~FileSource() {
    ::close(fd_);
}

size_t FileSource::pread_fully(uint64_t offset, uint8_t* dst, size_t n) {
    // pread takes a signed offset: anything beyond it lies past the end of any file.
    constexpr uint64_t kMaxOffset = static_cast<uint64_t>(std::numeric_limits<off_t>::max());
    size_t done = 0;
    while (done < n && offset <= kMaxOffset - done) {
        const ssize_t got = ::pread(fd_, dst + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        // An I/O error counts as the end of the readable data: the record reader then reports
        // the record as cut short.
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

FileSource::Block& FileSource::block_for(uint64_t offset, size_t n) {
    Block* oldest = &blocks_[0];
    for (Block& b : blocks_) {
        if (b.holds(offset, n)) return b;
        if (b.last_use < oldest->last_use) oldest = &b;
    }
    oldest->size = 0;  // stays empty if the read below fails part-way
    oldest->offset = offset;
    oldest->size = pread_fully(offset, oldest->data.get(), kBlockSize);
    return *oldest;
}

size_t FileSource::read_at(uint64_t offset, uint8_t* dst, size_t n) {
    if (n == 0) return 0;
    // A read larger than half a block gains nothing from the cache and would evict a block a
    // camera reader is still working in. Records are far smaller, so this is rare.
    if (n > kBlockSize / 2) return pread_fully(offset, dst, n);

    Block& b = block_for(offset, n);
    b.last_use = ++use_clock_;
    const uint64_t start = offset - b.offset;
    if (offset < b.offset || start >= b.size) return 0;
    const size_t count = std::min(n, b.size - static_cast<size_t>(start));
    std::memcpy(dst, b.data.get() + start, count);
    return count;
}

uint64_t FileSource::length() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        for (Block& b : blocks_) b.size = 0;
        char text[512];
        std::snprintf(text, sizeof text, "Cannot determine the length of %s: %s", path_.c_str(),
                      std::strerror(errno));
        throw FatalError(text);
    }
    // Playback measures the file at every step; dropping the cache each time would read every
    // block again for each record. Only a file that changed can hold other bytes.
    if (st.st_size != seen_size_ || st.st_mtim.tv_sec != seen_mtime_sec_ ||
        st.st_mtim.tv_nsec != seen_mtime_nsec_) {
        for (Block& b : blocks_) b.size = 0;
        seen_size_ = st.st_size;
        seen_mtime_sec_ = st.st_mtim.tv_sec;
        seen_mtime_nsec_ = st.st_mtim.tv_nsec;
    }
    return st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

}  // namespace korvel

namespace korvel {

std::unique_ptr<ByteSource> FileSource::open_another() {
    // The same open file, not the same path: a recording renamed or replaced meanwhile is
    // still the one being played.
    const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    return std::make_unique<FileSource>(fd, path_);
}

uint64_t FileSource::zeros_until(uint64_t offset) {
    constexpr uint64_t kMaxOffset = static_cast<uint64_t>(std::numeric_limits<off_t>::max());
    if (offset > kMaxOffset) return offset;
    const off_t data = ::lseek(fd_, static_cast<off_t>(offset), SEEK_DATA);
    if (data >= 0) return static_cast<uint64_t>(data);
    // No data at or after offset: the file ends in a hole (or offset lies beyond its end).
    if (errno == ENXIO) {
        struct stat st {};
        if (::fstat(fd_, &st) == 0 && st.st_size > 0 && static_cast<uint64_t>(st.st_size) > offset)
            return static_cast<uint64_t>(st.st_size);
    }
    return offset;  // the file system cannot tell
}

}  // namespace korvel
