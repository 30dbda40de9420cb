#pragma once

#include <cstddef>
#include <string>

namespace korvel {

// The directory a path names its file in: "." for a bare name, "/" for a file in the root.
// Temporary files, locks and renames all happen there.
std::string directory_of(const std::string& path);

// An output file that appears complete or not at all, the one way every program writes one.
//
// A regular file (or a name not yet taken) is written under a temporary name in the target's
// own directory, synced and renamed onto the target only by commit(): a full disk, an error or
// an interruption never leaves a truncated file where a good one was, and never writes into
// the old file (a hard link to it keeps its bytes). The new file gets the mode of the file it
// replaces, or that of a new file under the umask. A symbolic link is followed: the file it
// names is replaced and the link stays. A target that exists but is not a regular file (a
// device such as /dev/null, a pipe) cannot be replaced and is written in place.
//
// The temporary file is removed when the object goes without a commit, and by SIGINT, SIGTERM
// or SIGHUP ending the program (see TempFileRegistry).
//
// Every failure returns the errno that tells why; the caller words the message.
class SafeOutput {
  public:
    SafeOutput() = default;
    ~SafeOutput();
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    // What a symbolic link at the target means. A single output follows it; a file that
    // belongs with others by name (a recording and its index) replaces the link, so the files
    // of a pair never end up in two places.
    enum class Link { follow, replace };

    // Opens target for writing; the temporary name begins with prefix (".korvel-replay-", a
    // short one: the target's own name may be as long as a name can be). Returns 0 or errno.
    int open(const std::string& target, const std::string& prefix, Link link = Link::follow);

    int fd() const { return fd_; }
    bool in_place() const { return temp_.empty(); }
    const std::string& target() const { return target_; }  // a link's destination
    const std::string& temp_path() const { return temp_; }

    // Writes all of data through the descriptor. Returns 0 or errno.
    int write_all(const void* data, size_t size);
    // Syncs and closes the file; the target is still untouched. Returns 0 or errno.
    int finish();
    // finish() if not done, then renames onto the target. Returns 0 or errno; on failure the
    // temporary file is removed and the target is left as it was.
    int commit();
    // Closes and removes the temporary file; the target is left as it was.
    void discard();

  private:
    int open_temp(const std::string& prefix, unsigned mode);

    std::string target_;
    std::string temp_;  // empty: written in place
    int fd_ = -1;
    int slot_ = -1;  // the name's place in the signal handler's registry
    bool finished_ = false;
};

}  // namespace korvel
