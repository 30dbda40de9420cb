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
    const auto until = GrowthWatch::Clock::now() + poll;
    while (GrowthWatch::Clock::now() < until) {
        if (stop_requested()) return false;
        std::this_thread::sleep_for(
            std::min<GrowthWatch::Clock::duration>(kSlice, until - GrowthWatch::Clock::now()));
    }
    return !stop_requested();
}

FollowWait wait_for_growth(HeadlessPlayer& player, uint64_t length,
                           std::chrono::milliseconds poll) {
    GrowthWatch& watch = player.session().follow.watch;
    for (;;) {
        const uint64_t now_length = player.length_now();
        watch.observe(now_length);
        if (now_length != length) return FollowWait::grew;
        if (watch.quiet()) return FollowWait::idle;
        if (!pause_unless_stopped(poll)) return FollowWait::stopped;
    }
}

}  // namespace korvel::replay
