#pragma once

#include <memory>
#include <string>

#include "io/file_sink.h"
#include "io/safe_output.h"

namespace korvel {

// A file written under a temporary name beside its target and moved onto the target only
// when it is complete, through the programs' one safe output. Until then the target, if it
// exists, is left exactly as it was: a run that fails (a full disk, a directory in the way) or
// is interrupted never costs the user an earlier file of that name. A symbolic link is
// replaced, not followed: a recording and its index are found by name, and must stay beside
// each other. The temporary file is removed when
// the object goes without having been committed, and by SIGINT, SIGTERM and SIGHUP (a SIGKILL
// leaves it behind, under the name ".abgen-XXXXXX").
class StagedFile {
  public:
    // Creates the temporary file. Raises FatalError, naming target, when target exists but is
    // not a regular file, or when nothing can be created in its directory.
    explicit StagedFile(std::string target);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    FileSink& sink() { return *sink_; }
    const std::string& temp_path() const { return file_.temp_path(); }
    const std::string& target() const { return file_.target(); }

    // Closes the sink and syncs the file: every byte is on the disk, or FatalError says why
    // not.
    void finish_writing();

    // Finishes writing if that is not done, and renames the temporary file onto the target,
    // replacing it. Raises FatalError when that fails; the temporary file is then removed.
    void commit();

  private:
    std::string name_;  // the target as given, for messages
    SafeOutput file_;
    std::unique_ptr<FileSink> sink_;
    bool finished_ = false;
};

}  // namespace korvel
