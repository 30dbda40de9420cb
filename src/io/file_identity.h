#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace korvel {

// What makes two names one file: the device and the inode. Another spelling of a path, a
// symbolic link and a hard link all lead to the same identity; a file renamed after it was
// opened keeps the identity its open descriptor has.
struct FileIdentity {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FileIdentity& o) const { return dev == o.dev && ino == o.ino; }
};

// The identity of the file path names now, a symbolic link followed; none when it does not
// exist or cannot be examined.
std::optional<FileIdentity> identity_of_path(const std::string& path);

// The identity of the file an open descriptor reads, whatever its name has become since.
std::optional<FileIdentity> identity_of_descriptor(int fd);

}  // namespace korvel
