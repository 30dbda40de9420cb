#include "pair_commit.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "common/fatal_error.h"
#include "io/safe_output.h"

namespace korvel {
namespace {

// Blocks the signals that would otherwise end the program between two renames; they are
// delivered when the object goes.
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
        sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t old_;
};

}  // namespace

void commit_pair(StagedFile& data, StagedFile& index) {
    data.finish_writing();
    index.finish_writing();
    const SignalsHeld held;
    // The old index under a name of its own, to be put back if the recording can't follow.
    const std::string saved = directory_of(index.target()) + "/.abgen-" +
                              std::to_string(::getpid()) + "-old-index";
    ::unlink(saved.c_str());
    bool have_saved = ::link(index.target().c_str(), saved.c_str()) == 0;
    if (!have_saved && errno != ENOENT) {
        throw FatalError("cannot keep the old index " + index.target() + " while replacing it: " +
                         std::strerror(errno) + "; nothing was replaced");
    }
    try {
        index.commit();
    } catch (const FatalError&) {
        if (have_saved) ::unlink(saved.c_str());
        throw;
    }
    try {
        data.commit();
    } catch (const FatalError& e) {
        // The new index must not stay beside the old recording.
        const bool restored = have_saved ? ::rename(saved.c_str(), index.target().c_str()) == 0
                                         : ::unlink(index.target().c_str()) == 0;
        if (!restored) {
            throw FatalError(std::string(e.text()) + "; and the old index could not be put back: " +
                             std::strerror(errno));
        }
        throw FatalError(std::string(e.text()) + "; the old recording and its index are left as they were");
    }
    if (have_saved) ::unlink(saved.c_str());
}

DirectoryLock::DirectoryLock(const std::string& file_in_directory) {
    const std::string dir = directory_of(file_in_directory);
    fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
        throw FatalError("cannot write " + file_in_directory + ": " + dir + ": " +
                         std::strerror(errno));
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
    std::fprintf(stderr, "abgen: waiting for another abgen run writing into %s to finish\n",
                 dir.c_str());
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            throw FatalError("cannot lock " + dir + " for writing: " + std::strerror(errno));
        }
    }
}

DirectoryLock::~DirectoryLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace korvel
