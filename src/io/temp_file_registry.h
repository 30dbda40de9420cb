#pragma once

#include <string>

namespace korvel {

// The temporary files a program has open right now, so that SIGINT, SIGTERM or SIGHUP ending
// it leaves none behind. The names are kept in fixed storage and the handler uses only
// unlink(2), sigaction(2) and raise(3), which are safe in a signal handler; it then ends the
// program by the same signal, as if it had never been caught.
//
// The handler is installed only for a signal whose disposition is still the default: a
// program that catches a signal itself (a follower that stops at SIGINT) or ignores it (nohup)
// keeps doing so, and removes its temporary files on its own way out.
class TempFileRegistry {
  public:
    // Notes a temporary name; returns its slot, or -1 when the name is too long or every slot
    // is taken (its owner still removes it on every ordinary way out). Thread-safe.
    static int add(const std::string& path);
    // Forgets a slot (after the file was renamed into place or removed). -1 is ignored.
    static void remove(int slot);
};

}  // namespace korvel
