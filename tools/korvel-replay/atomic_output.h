#pragma once

#include <memory>
#include <string>

#include "reason_stream.h"

namespace korvel::replay {

// An output file that appears complete or not at all. It is written under a temporary name in
// the target's own directory and renamed onto the target only by commit(), so a failure (a
// full disk, an interruption) never leaves a truncated file where a good one was. A target
// that exists but is not a regular file (a device such as /dev/null, a pipe) can't be
// replaced and is written in place. A symbolic link is followed: the file it names is
// replaced, the link stays.
class AtomicOutput {
  public:
    AtomicOutput() = default;
    ~AtomicOutput();  // removes the temporary file unless committed
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Creates the temporary file. Returns false with the system's reason in error.
    bool open(const std::string& target, std::string& error);
    std::FILE* stream() const { return stream_ ? stream_->get() : nullptr; }
    // Writes bytes; false once any write failed (commit then tells the reason).
    bool write(const void* data, size_t size);
    // Flushes, syncs and renames into place. Returns false with the system's reason in error;
    // the target is then left as it was.
    bool commit(std::string& error);

  private:
    std::string target_;  // where the file goes (a link's destination)
    std::string temp_;    // empty: written in place
    std::unique_ptr<ReasonStream> stream_;
    bool done_ = false;
};

}  // namespace korvel::replay
