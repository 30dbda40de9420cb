#pragma once

#include "io/file_opener.h"

namespace korvel {

// Opens files on disk, read-only; the viewer never writes a file. Only regular files open:
// a directory or a device is refused as access denied, and a named pipe is refused without
// waiting for a writer to appear.
class DiskFileOpener : public FileOpener {
  public:
    std::unique_ptr<ByteSource> open_read_only(const std::string& path, FileError& error) override;

    // The category the user is told for an errno value of open(2).
    static FileError classify_errno(int err);
};

}  // namespace korvel
