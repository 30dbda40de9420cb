#include "follow_wait.h"

#include <algorithm>
#include <csignal>
#include <thread>

namespace korvel::replay {
namespace {

volatile std::sig_atomic_t g_stop = 0;

extern "C" void note_stop(int) {
    g_stop = 1;
}

// A signal is noticed within this time, however long the poll.
constexpr std::chrono::milliseconds kSlice{20};

}  // namespace

void catch_stop_signals() {
    struct sigaction action {};
    action.sa_handler = note_stop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed terminal ends a follower as Ctrl-C does.
    sigaction(SIGHUP, &action, nullptr);
}

bool stop_requested() {
    return g_stop != 0;
}

bool pause_unless_stopped(std::chrono::milliseconds poll) {
    const auto until = std::chrono::steady_clock::now() + poll;
    while (std::chrono::steady_clock::now() < until) {
        if (stop_requested()) return false;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            kSlice, until - std::chrono::steady_clock::now()));
    }
    return !stop_requested();
}

FollowWait wait_for_growth(HeadlessPlayer& player, uint64_t length,
                           std::chrono::milliseconds poll) {
    for (;;) {
        switch (player.player().look_for_growth(length)) {
            case Growth::grew:
                return FollowWait::grew;
            case Growth::quiet:
                return FollowWait::idle;
            case Growth::still:
                break;
        }
        if (!pause_unless_stopped(poll)) return FollowWait::stopped;
    }
}

}  // namespace korvel::replay
