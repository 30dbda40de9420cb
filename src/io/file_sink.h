#pragma once

#include <cstdio>
#include <string>

#include "io/byte_sink.h"

namespace korvel {

// Writes to a file on disk through a large buffer, so a recording of any size streams out
// without being held in memory.
class FileSink : public ByteSink {
  public:
    enum class Existing { keep, overwrite };

    // Creates path for writing. With Existing::keep an existing file is left untouched and
    // the constructor raises FatalError; so does any other failure to create the file.
    FileSink(const std::string& path, Existing existing);
    // Writes to a file already open for writing, through a descriptor of its own (a
    // duplicate of fd, which stays the caller's); path names it in error texts.
    FileSink(int fd, const std::string& path);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    void write(const uint8_t* data, size_t n) override;
    void close() override;

  private:
    [[noreturn]] void fail(const char* what);

    std::string path_;
    std::FILE* file_ = nullptr;
};

}  // namespace korvel
