#pragma once

#include <memory>
#include <string>

#include "io/byte_source.h"

namespace korvel {

// Why a file could not be opened, in the categories the user's message distinguishes.
enum class FileError {
    none,
    file_not_found,
    bad_path,
    too_many_open_files,
    access_denied,
    sharing_violation,
    lock_violation,
    not_regular_file,  // a pipe, a device or a directory: no recording can be played from it
    generic,
};

// Opens files for reading. The viewer and the tools use the disk; tests and fuzzers use a set
// of files held in memory, so a whole Open and replay can run without touching the disk.
class FileOpener {
  public:
    virtual ~FileOpener() = default;

    // Opens path read-only. On failure returns null and sets error (never FileError::none).
    virtual std::unique_ptr<ByteSource> open_read_only(const std::string& path,
                                                       FileError& error) = 0;
};

}  // namespace korvel
