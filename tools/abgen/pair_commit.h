#pragma once

#include <string>

#include "staged_file.h"

namespace korvel {

// Puts a new recording and its index in place of the old pair as one step, as far as the file
// system allows: both files are complete before either is renamed, SIGINT, SIGTERM and SIGHUP
// wait until both renames are done, and when the recording's rename fails the old index is put
// back (it is kept under a temporary hard link until then), so a recording never sits beside
// another recording's index. Only a SIGKILL between the two renames can still part them.
// Raises FatalError with the reason when the pair could not be replaced.
void commit_pair(StagedFile& data, StagedFile& index);

// Holds the directory of a recording locked (flock) for as long as it lives, so that two abgen
// runs writing there replace their pairs one after the other, never interleaved. A second run
// says on stderr that it waits, and waits.
class DirectoryLock {
  public:
    explicit DirectoryLock(const std::string& file_in_directory);
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

  private:
    int fd_ = -1;
};

}  // namespace korvel
