#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/headless_player.h"
#include "playback/playback_observer.h"
#include "statistics/minute_statistics.h"

namespace korvel::python {

// The matching decisions of one replay as columns, one entry per decision, in the order they
// are taken: what the pairs table is built from without an object per row. A particle's
// fields are those of the pair reports; where the report leaves a field empty (the missing
// side of a drop, a line number that is no number) the double columns hold NaN and the
// present flag is 0.
class PairColumns : public PlaybackObserver {
  public:
    explicit PairColumns(double line_rate) : line_rate_(line_rate) {}

    void on_record(const DecodedRecordEvent&) override {}
    void on_wait(Camera, const Particle&) override {}
    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override;

    struct Side {
        std::vector<uint8_t> present;
        std::vector<double> y_first, y_last;
        std::vector<int32_t> line_count, max_width, x_min, x_max;
    };

    size_t size() const { return outcome.size(); }

    // The times of day as text, each padded with NULs to time_width bytes (empty: no time).
    std::string times;
    size_t time_width = 16;
    std::vector<int8_t> outcome;  // MatchOutcome's value
    Side a, b;
    std::vector<double> lag_lines, lag_ms;

  private:
    static void add(Side& side, const Particle* p);

    double line_rate_;
};

// What one recording is replayed with.
struct ReplayRequest {
    std::string path;
    std::string work_dir;  // where CORRFACT.DAT is looked for
    int hour = 0, minute = 0, second = 0;
    HeadlessView view = HeadlessView::async;
    bool minutes = true;
    bool pairs = false;
    int64_t max_steps = -1;
    bool decode_ahead = true;  // camera B's records decoded on a second thread (--threads 2)
};

// What the recording's header said, once it was opened.
struct HeaderFacts {
    int header_version = 0;
    double line_rate = 0.0;
    int line_width = 0;
    int64_t start_time = 0;  // seconds since 1970 UTC
    int year = 0, month = 0, day = 0;
};

// What the header of the recording the player opened says.
HeaderFacts header_facts(const PlaybackSession& session, const DecodeContext& ctx);

struct ReplayResult {
    bool opened = false;
    HeaderFacts header;
    std::unique_ptr<MinuteStatistics> minutes;  // once opened, when asked for
    std::unique_ptr<PairColumns> pairs;         // once opened, when asked for
    std::string fatal_text;                     // empty: none
    bool stopped = false;                       // the poll asked to stop
    int64_t steps = 0;
    uint64_t bytes_done = 0, bytes_total = 0;
};

// Asked now and then (see replay), with the bytes behind both readers and the file's length;
// false stops the replay between two steps.
using ReplayPoll = std::function<bool(uint64_t done, uint64_t total)>;

// Opens the recording as korvel-replay does (an index that cannot be opened is fatal) and
// plays it to its end, counting its minutes and collecting its decisions as asked. Fatal
// errors end up in the result with what was counted before them; nothing is thrown but what
// the memory running out throws.
// poll is asked once poll_interval has passed since it was asked last (looked at every 64
// steps): by the clock rather than by steps, so that a replay that waits for the
// interpreter's lock to ask does so a few times a second however fast it plays.
ReplayResult replay(const ReplayRequest& request, const ReplayPoll& poll,
                    std::chrono::steady_clock::duration poll_interval);

}  // namespace korvel::python
