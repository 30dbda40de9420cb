#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "io/byte_sink.h"

namespace korvel {

// A file written in place as an instrument writes its recording: created new (never over an
// existing file), appended to, and what was appended pushed to the file at each flush, so
// readers see it grow. It remembers which file it created (device and inode), so that a run
// can tell when the name no longer leads to it.
class LiveFile : public ByteSink {
  public:
    // Creates path. Raises FatalError when it exists or cannot be created, with the reason.
    explicit LiveFile(std::string path);
    ~LiveFile() override;
    LiveFile(const LiveFile&) = delete;
    LiveFile& operator=(const LiveFile&) = delete;

    void write(const uint8_t* data, size_t n) override;  // held until the next flush
    void close() override;
    // Appends what was written since the last flush to the file. When that fails, part of it
    // may be in the file: length() says how much, unflushed() still holds all of it.
    void flush();
    // Writes bytes over the file's start (the index, whose length never changes).
    void write_over(const std::vector<uint8_t>& bytes);

    // Raises FatalError when the path has been removed or now names another file.
    void check_still_named() const;
    // True when the path still names the file this object created.
    bool still_named() const;

    // Shortens the file to length bytes (no longer than it is).
    void cut_back(uint64_t length);

    const std::string& path() const { return path_; }
    bool write_failed() const { return write_failed_; }
    uint64_t length() const { return length_; }           // bytes in the file
    uint64_t flushed_length() const { return flushed_; }  // before the pending bytes
    const std::vector<uint8_t>& unflushed() const { return pending_; }

  private:
    [[noreturn]] void fail(const char* what);

    std::string path_;
    int fd_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    std::vector<uint8_t> pending_;
    uint64_t flushed_ = 0;
    uint64_t length_ = 0;
    bool write_failed_ = false;
};

}  // namespace korvel
