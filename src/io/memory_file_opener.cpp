#include "io/memory_file_opener.h"

#include "io/memory_source.h"

namespace korvel {

std::unique_ptr<ByteSource> MemoryFileOpener::open_read_only(const std::string& path,
                                                             FileError& error) {
    // The same verdict as on disk for an empty path, so a test sees what the user would.
    if (path.empty()) {
        error = FileError::bad_path;
        return nullptr;
    }
    const auto it = files_.find(path);
    if (it == files_.end()) {
        error = FileError::file_not_found;
        return nullptr;
    }
    error = FileError::none;
    return std::make_unique<MemorySource>(it->second);
}

}  // namespace korvel
