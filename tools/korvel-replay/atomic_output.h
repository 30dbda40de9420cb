#pragma once

#include <memory>
#include <string>

#include "io/safe_output.h"
#include "reason_stream.h"

namespace korvel::replay {

// An output file of korvel-replay written through the program's one safe output: it appears
// complete or not at all (see SafeOutput), and its temporary name ".korvel-replay-XXXXXX" is
// removed on every way out, an interrupting signal included. Writes go through a stdio stream
// that keeps the reason of a failed write.
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
    SafeOutput file_;
    std::unique_ptr<ReasonStream> stream_;  // over file_'s descriptor, which file_ closes
};

}  // namespace korvel::replay
