// What the player's steps come to on a recording that grows, stops growing, is cut or shrinks,
// in each follow mode, against a clock the test moves: no test here waits.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/open_file.h"
#include "common/fatal_error.h"
#include "format/index_file.h"
#include "io/memory_file_opener.h"
#include "io/memory_source.h"
#include "playback/player.h"
#include "support/playback_harness.h"
#include "support/step_recording.h"

namespace korvel {
namespace {

using namespace std::chrono_literals;

class FakeClock : public PlayerClock {
  public:
    Clock::time_point now() const override { return now_; }
    void advance(Clock::duration d) { now_ += d; }

  private:
    Clock::time_point now_{};
};

// What the file holds when it is opened: all of it, the first three bytes of the last
// record (camera B's), or everything before that record.
enum class Held { whole, into_b2, before_b2 };

// One line of a script: step (expecting its answer, or the text of its fatal error), look for
// growth (expecting what it found), let time pass, give the file the rest of its bytes, cut it
// shorter than what was read, or declare it finished.
struct Action {
    enum { step, look, pass, grow, shrink, finish } what;
    const char* expect = "";
    double seconds = 0;
};

const char* answer_name(StepAnswer a) {
    switch (a) {
        case StepAnswer::stepped: return "stepped";
        case StepAnswer::waiting: return "waiting";
        case StepAnswer::end: return "end";
        case StepAnswer::shrunk: return "shrunk";
    }
    return "?";
}

const char* growth_name(Growth g) {
    switch (g) {
        case Growth::grew: return "grew";
        case Growth::still: return "still";
        case Growth::quiet: return "quiet";
    }
    return "?";
}

struct Script {
    const char* name;
    FollowMode mode;
    Held held;
    std::vector<Action> actions;
};

const Action kStep{Action::step, "stepped"};
Action step(const char* expect) { return {Action::step, expect}; }
Action look(const char* expect) { return {Action::look, expect}; }
Action pass(double seconds) { return {Action::pass, "", seconds}; }

const Script kScripts[] = {
    {"a finished file is read to its end", FollowMode::finished, Held::whole,
     {kStep, kStep, step("end")}},
    {"read as finished, a cut record is its read error at once", FollowMode::finished,
     Held::into_b2, {kStep, step("mp03")}},
    {"a cut record waits, and once completed the file counts as still written",
     FollowMode::wait_at_cut, Held::into_b2,
     {kStep, step("end"), pass(9), step("end"), {Action::grow}, pass(1), kStep, step("waiting"),
      pass(10), step("end")}},
    {"a cut record that stays cut for the grace time is its read error",
     FollowMode::wait_at_cut, Held::into_b2, {kStep, step("end"), pass(10), step("mp03")}},
    {"counting what is there stops at a cut record for good", FollowMode::count_available,
     Held::into_b2, {kStep, step("end"), pass(36000), step("end")}},
    {"following waits at the end for camera B and reads on when the file grows",
     FollowMode::wait_at_end, Held::before_b2,
     {kStep, step("end"), look("still"), {Action::grow}, look("grew"), kStep, step("waiting")}},
    {"following ends when the file has been quiet for the grace time",
     FollowMode::wait_at_end, Held::before_b2,
     {kStep, step("end"), pass(9), look("still"), pass(1), look("quiet"), {Action::finish},
      step("end")}},
    {"a file cut below what was read has shrunk", FollowMode::wait_at_cut, Held::whole,
     {kStep, kStep, step("end"), {Action::shrink}, step("shrunk")}},
};

TEST(Player, AnswersEachFollowModeAgainstTheClockItIsGiven) {
    for (const Script& script : kScripts) {
        for (const bool ahead : {false, true}) {
            SCOPED_TRACE(std::string(script.name) + (ahead ? ", decoding ahead" : ""));
            test::FourRecords f;
            const std::vector<uint8_t> whole = f.r.ab();
            const size_t held = script.held == Held::whole     ? whole.size()
                                : script.held == Held::into_b2 ? f.b2 + 3
                                                               : f.b2;
            FakeClock clock;
            Player player(clock);
            player.set_decode_ahead(ahead);
            PlaybackSession& s = player.session();
            apply_start_up(s, "/start", "");
            MemoryFileOpener opener;
            opener.add("/d/0607.ab", std::vector<uint8_t>(whole.begin(), whole.begin() + held));
            opener.add(index_file_path("/d/0607.ab"), test::index_at(f.a1, f.a1));
            test::StepUser user;
            user.path = "/d/0607.ab";
            Document doc;
            open_file(s, doc, user, opener);
            ASSERT_NE(s.decode_context, nullptr);
            player.set_follow(script.mode);
            s.playback_running = 1;
            ASSERT_TRUE(player.may_step(doc));
            std::vector<uint8_t>& bytes = dynamic_cast<MemorySource&>(*s.data_file).bytes();
            NullPlaybackView view;
            for (const Action& a : script.actions) {
                switch (a.what) {
                    case Action::step: {
                        std::string got;
                        try {
                            got = answer_name(player.step(view, doc));
                        } catch (const FatalError& e) {
                            got = e.text();
                        }
                        EXPECT_EQ(got, a.expect);
                        break;
                    }
                    case Action::look:
                        EXPECT_STREQ(growth_name(player.look_for_growth(held)), a.expect);
                        break;
                    case Action::pass:
                        clock.advance(std::chrono::duration_cast<PlayerClock::Clock::duration>(
                            std::chrono::duration<double>(a.seconds)));
                        break;
                    case Action::grow:
                        bytes = whole;
                        break;
                    case Action::shrink:
                        bytes.resize(f.b1);
                        break;
                    case Action::finish:
                        player.finish();
                        break;
                }
            }
        }
    }
}

// The readers' catch-up lines belong to the player, not to the view a run draws on: a run
// resumed with another view goes on exactly where it stood.
TEST(Player, ARunResumedWithAnotherViewGoesOnWhereItStood) {
    test::FourRecords f;
    auto run = [&](bool split) {
        Player player;
        player.set_decode_ahead(false);
        PlaybackSession& s = player.session();
        apply_start_up(s, "/start", "");
        MemoryFileOpener opener;
        opener.add("/d/0607.ab", f.r.ab());
        opener.add(index_file_path("/d/0607.ab"), test::index_at(f.a1, f.a1));
        test::StepUser user;
        user.path = "/d/0607.ab";
        Document doc;
        open_file(s, doc, user, opener);
        s.playback_running = 1;
        test::RecordingObserver obs;
        NullPlaybackView first, second;
        player.step(first, doc, &obs);
        player.step(split ? second : first, doc, &obs);
        player.step(split ? second : first, doc, &obs);
        return obs.records;
    };
    EXPECT_EQ(run(true), run(false));
    EXPECT_EQ(run(true).size(), 4u);
}

}  // namespace
}  // namespace korvel
