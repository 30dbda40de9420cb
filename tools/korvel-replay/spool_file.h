#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "reason_stream.h"

namespace korvel::replay {

// Holds the output of one of several files replayed side by side until the files named before
// it are out. It lives in TMPDIR (/tmp when that is unset) and has no name from the start, so
// nothing is left behind however the program ends.
class SpoolFile {
  public:
    // Creates the file. Returns false with the directory and the system's reason in error.
    bool open(std::string& error);
    std::FILE* stream() const { return stream_->get(); }
    // Copies everything written so far to out. Returns false with the reason in error when the
    // spool failed (its writes or reading it back); a failed write to out leaves error empty,
    // for out's own error state tells it.
    bool pass_on(std::FILE* out, std::string& error);

  private:
    std::unique_ptr<ReasonStream> stream_;
    std::string dir_;
};

}  // namespace korvel::replay
