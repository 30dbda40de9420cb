#include "io/disk_file_opener.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "io/file_source.h"

namespace korvel {

FileError DiskFileOpener::classify_errno(int err) {
    switch (err) {
        case ENOENT:
            return FileError::file_not_found;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EINVAL:
            return FileError::bad_path;
        case EMFILE:
        case ENFILE:
            return FileError::too_many_open_files;
        case EACCES:
        case EPERM:
        case EROFS:
            return FileError::access_denied;
        case EISDIR:
            return FileError::not_regular_file;
        case ETXTBSY:
        case EBUSY:
            return FileError::sharing_violation;
        case ENOLCK:
        case EDEADLK:
            return FileError::lock_violation;
        default:
            return FileError::generic;
    }
}

std::unique_ptr<ByteSource> DiskFileOpener::open_read_only(const std::string& path,
                                                           FileError& error) {
    // A path with an embedded NUL would silently name a different file.
    if (path.empty() || path.find('\0') != std::string::npos) {
        error = FileError::bad_path;
        return nullptr;
    }
    // O_NONBLOCK keeps the open of a named pipe from waiting for a writer; it is cleared again
    // once the descriptor is known to be a regular file.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = classify_errno(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = classify_errno(errno);
        ::close(fd);
        return nullptr;
    }
    // A pipe or a device can't be read at positions, and a directory holds no records: said
    // as what it is, not as a refused access.
    if (!S_ISREG(st.st_mode)) {
        error = FileError::not_regular_file;
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    error = FileError::none;
    return std::make_unique<FileSource>(fd, path);
}

}  // namespace korvel
