#include "io/temp_file_registry.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

namespace korvel {
namespace {

// A handful of outputs are written at once at most (a recording and its index, the outputs
// of a few parallel jobs); more simply go unregistered.
constexpr int kSlots = 32;
constexpr size_t kMaxPath = 4096;

enum : int { kFree = 0, kClaimed = 1, kLive = 2 };

char g_names[kSlots][kMaxPath];
std::atomic<int> g_state[kSlots];

static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slots' states");

extern "C" void remove_temp_files_and_die(int signal) {
    const int saved = errno;
    for (int i = 0; i < kSlots; ++i) {
        if (g_state[i].load(std::memory_order_acquire) == kLive) ::unlink(g_names[i]);
    }
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(signal, &dfl, nullptr);
    ::raise(signal);  // delivered when the handler returns: the program ends by it
    errno = saved;
}

void install_once() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction old {};
            if (::sigaction(s, nullptr, &old) != 0) continue;
            const bool plain = (old.sa_flags & SA_SIGINFO) == 0 && old.sa_handler == SIG_DFL;
            if (!plain) continue;
            struct sigaction action {};
            action.sa_handler = remove_temp_files_and_die;
            sigemptyset(&action.sa_mask);
            // The other ending signals wait while the names are removed.
            sigaddset(&action.sa_mask, SIGINT);
            sigaddset(&action.sa_mask, SIGTERM);
            sigaddset(&action.sa_mask, SIGHUP);
            ::sigaction(s, &action, nullptr);
        }
    });
}

}  // namespace

int TempFileRegistry::add(const std::string& path) {
    if (path.size() >= kMaxPath) return -1;
    install_once();
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!g_state[i].compare_exchange_strong(expected, kClaimed, std::memory_order_acq_rel)) {
            continue;
        }
        std::memcpy(g_names[i], path.c_str(), path.size() + 1);
        g_state[i].store(kLive, std::memory_order_release);
        return i;
    }
    return -1;
}

void TempFileRegistry::remove(int slot) {
    if (slot >= 0 && slot < kSlots) g_state[slot].store(kFree, std::memory_order_release);
}

}  // namespace korvel
