#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "io/file_opener.h"

namespace korvel {

// A set of files held in memory, so that tests and fuzzers can run a whole Open and replay
// without the disk. Each open hands out a copy: what a reader does cannot change the set.
class MemoryFileOpener : public FileOpener {
  public:
    void add(const std::string& path, std::vector<uint8_t> bytes) {
        files_[path] = std::move(bytes);
    }
    void remove(const std::string& path) { files_.erase(path); }

    std::unique_ptr<ByteSource> open_read_only(const std::string& path, FileError& error) override;

  private:
    std::map<std::string, std::vector<uint8_t>> files_;
};

}  // namespace korvel
