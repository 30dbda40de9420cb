#pragma once

#include <memory>
#include <string>

#include "io/file_sink.h"

namespace korvel {

// A file written under a temporary name beside its target and moved onto the target only
// when it is complete. Until then the target, if it exists, is left exactly as it was: a run
// that fails (a full disk, a directory in the way) or is interrupted never costs the user an
// earlier file of that name. The temporary file is removed when the object goes without
// having been committed, and by SIGINT, SIGTERM and SIGHUP (a SIGKILL leaves it behind, under
// the name ".abgen-PID-N").
class StagedFile {
  public:
    // Creates the temporary file. Raises FatalError, naming target, when target exists but is
    // not a regular file, or when nothing can be created in its directory.
    explicit StagedFile(std::string target);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    FileSink& sink() { return *sink_; }
    const std::string& temp_path() const { return temp_; }
    const std::string& target() const { return target_; }

    // Closes the sink: every byte is on its way to the disk, or FatalError says why not.
    void finish_writing();

    // Closes the sink if it is still open and renames the temporary file onto the target,
    // replacing it. Raises FatalError when that fails; the temporary file is then removed.
    void commit();

  private:
    std::string target_;
    std::string temp_;
    std::unique_ptr<FileSink> sink_;
    int slot_ = -1;  // where the signal handler finds the temporary name
    bool committed_ = false;
};

}  // namespace korvel
