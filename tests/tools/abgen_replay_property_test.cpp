// Whatever arguments abgen accepts, the recording it writes must play to its end in every
// view without a fatal error. The recordings are made with abgen's own option parser and
// rain simulator in memory and replayed through Open and the playback steps, over many
// seeds, line rates, start times, durations and drop rates.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "abgen_options.h"
#include "commands/open_file.h"
#include "common/fatal_error.h"
#include "format/index_file.h"
#include "io/memory_file_opener.h"
#include "playback/playback_step.h"
#include "rain_in_memory.h"
#include "support/playback_harness.h"

namespace korvel {
namespace {

// Under the sanitizers every replay costs far more; a smaller sample keeps the suite short.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kRandomCases = 40;
#else
constexpr int kRandomCases = 200;
#endif

using Args = std::vector<std::string>;

using test::generate;
using test::Written;

// Counts the pairs matching decides.
class PairCount : public PlaybackObserver {
  public:
    int pairs = 0;
    void on_record(const DecodedRecordEvent&) override {}
    void on_wait(Camera, const Particle&) override {}
    void on_match(const Particle*, const Particle*, MatchOutcome outcome) override {
        if (outcome == MatchOutcome::pair) ++pairs;
    }
};

// Opens the recording at the start time abgen wrote it for and plays it to the end. Returns
// the fatal text, or "" when both readers reached the end of the file.
std::string play_to_end(const Written& w, int start_seconds, int async_view, int sync_view,
                        PlaybackObserver* observer = nullptr) {
    const std::string path = "/rec/gen.ab";
    MemoryFileOpener opener;
    opener.add(path, w.ab);
    opener.add(index_file_path(path), w.abh);
    test::StepUser user;
    user.path = path;
    user.hour = start_seconds / 3600;
    user.minute = start_seconds / 60 % 60;
    user.second = start_seconds % 60;
    PlaybackSession session;
    apply_start_up(session, "/nowhere", "");
    session.async_view = async_view;
    session.sync_view = sync_view;
    Document doc;
    NullPlaybackView view;
    try {
        open_file(session, doc, user, opener);
        if (!user.file_errors.empty()) return user.file_errors.front();
        session.playback_running = 1;
        // Camera A takes one record a step; the records are far fewer than this.
        for (size_t step = 0; step < w.ab.size() + 10; ++step) {
            playback_step(session, view, doc, *session.decode_context, observer);
            if (session.pos_a >= w.ab.size() && session.pos_b >= w.ab.size()) return "";
        }
        return "did not reach the end";
    } catch (const FatalError& e) {
        return e.text();
    }
}

std::string shown(const Args& args) {
    std::string text = "abgen";
    for (const std::string& a : args) text += " " + a;
    return text;
}

void expect_plays_in_every_view(const Args& args) {
    AbgenOptions o;
    try {
        o = parse_abgen_options(args);
    } catch (const UsageError&) {
        return;  // only what abgen accepts has to play
    }
    const Written w = generate(o);
    for (const auto& [async_view, sync_view] : {std::pair{1, 0}, {0, 1}, {0, 0}}) {
        EXPECT_EQ(play_to_end(w, o.start_seconds, async_view, sync_view), "")
            << shown(args) << " (async " << async_view << ", sync " << sync_view << ")";
    }
}

// The cases that once failed every time: a drop on line 0 of a recording that starts at
// midnight, which low line rates and dense rain make certain.
TEST(AbgenReplayProperty, RecordingsFromMidnightPlayEvenWhenLineZeroIsDark) {
    const std::vector<Args> cases = {
        {"--line-rate", "1"},
        {"--line-rate", "37"},
        {"--version", "0", "--line-rate", "37"},
        {"--line-rate", "3", "--drops-per-second", "0"},
        {"--drops-per-second", "40000", "--duration", "0.05"},
        {"--version", "1", "--line-rate", "2", "--drops-per-second", "8", "--duration", "10"},
    };
    for (const Args& base : cases) {
        for (int seed = 1; seed <= 5; ++seed) {
            Args args = base;
            args.insert(args.end(), {"--seed", std::to_string(seed), "-o", "/rec/gen.ab"});
            expect_plays_in_every_view(args);
        }
    }
}

TEST(AbgenReplayProperty, RandomAcceptedArgumentsPlayToTheEnd) {
    const char* rates[] = {"1", "2", "7", "37", "100", "999.5", "2000", "10000", "123456"};
    const char* starts[] = {"00:00:00", "00:00:01", "00:00:59", "06:30:00", "23:59:58"};
    const char* durations[] = {"0.5", "1", "2", "3"};
    const char* drops[] = {"0", "1", "50", "400", "5000"};
    std::mt19937 rng(20240601);
    auto pick = [&](const auto& list) { return std::string(list[rng() % std::size(list)]); };
    for (int i = 0; i < kRandomCases; ++i) {
        const Args args = {"--version",
                           std::to_string(rng() % 3),
                           "--line-rate",
                           pick(rates),
                           "--start",
                           pick(starts),
                           "--duration",
                           pick(durations),
                           "--drops-per-second",
                           pick(drops),
                           "--seed",
                           std::to_string(rng()),
                           "-o",
                           "/rec/gen.ab"};
        expect_plays_in_every_view(args);
    }
}

// A start some seconds into a minute of steady rain: the index starts both readers at the
// minute, and camera A's particles from before the start must not fill the pool before
// matching may run, or camera B can allocate nothing and nothing is paired for good.
TEST(AbgenReplayProperty, EveryStartSecondOfAMinuteOfRainGivesPairs) {
    const Args args = {"--seed", "7", "--start", "12:34:56", "--duration", "150", "-o", "/rec/gen.ab"};
    const Written w = generate(parse_abgen_options(args));
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kEvery = 7;
#else
    constexpr int kEvery = 1;
#endif
    for (int second = 0; second < 60; second += kEvery) {
        PairCount count;
        ASSERT_EQ(play_to_end(w, 12 * 3600 + 36 * 60 + second, 0, 1, &count), "");
        EXPECT_GT(count.pairs, 0) << "start 12:36:" << second;
    }
}

}  // namespace
}  // namespace korvel
