#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "commands/user_interaction.h"
#include "io/memory_file_opener.h"
#include "playback/decode_ahead.h"
#include "playback/document.h"
#include "playback/playback_observer.h"
#include "playback/playback_session.h"
#include "playback/playback_view.h"
#include "support/step_recording.h"

namespace korvel::test {

// A playback session driven the way the viewer drives it, Open then steps, on recordings held
// in memory, with a view and an observer that log everything the steps do.

using Strings = std::vector<std::string>;

// The dialogs of Open answered directly: the file a test names, the start time it sets.
class StepUser : public UserInteraction {
  public:
    std::string path;
    int hour = 0, minute = 0, second = 0;
    Strings file_errors;

    bool choose_file(std::string& p, std::string& title) override;
    bool choose_start_time(int& h, int& m, int& s) override;
    void show_message(const std::string&) override {}
    void report_file_error(const std::string& text) override { file_errors.push_back(text); }
    void add_recent_file(const std::string&) override {}
    void set_title(const std::string&) override {}
    void repaint_views() override {}
    CivilDate local_today() override { return CivilDate{2024, 1, 1}; }
};

// Logs what the step asks the view to draw. A DrawCameraLines entry, "1 n=4 buf=4 1000..1003",
// also tells what the context held at that moment, which is what the drawing reads; a
// DrawMatch entry is "1000/1100 1" (first lines of A and B, -1 for none, and the flag).
class RecordingView : public PlaybackView {
  public:
    int scales = 0;
    int resets = 0;
    Strings lines;
    Strings matches;

    void reset_playback_state() override;
    void DrawScale() override { ++scales; }
    void DrawCameraLines(Camera camera, int16_t n, const DecodeContext& ctx) override;
    void DrawMatch(const Particle* a, const Particle* b, int matched) override;
};

// Logs what the step reports: records as "A@pos n=4 1000..1003 on", particles moved to a
// wait queue by their owner and first line ("V 1000"), decisions as "pair 1000/1100".
class RecordingObserver : public PlaybackObserver {
  public:
    Strings records;
    Strings waits;
    Strings decisions;

    void on_record(const DecodedRecordEvent& e) override;
    void on_wait(Camera camera, const Particle& p) override;
    void on_match(const Particle* a, const Particle* b, MatchOutcome o) override;
};

// The observer's text for a record of n lines from first.
std::string rec(char cam, uint32_t pos, double first, int n = 4, bool on = true);

class PlaybackHarness : public ::testing::Test {
  protected:
    PlaybackHarness();

    // Opens the recording with both readers placed by index_at, and starts playback.
    void open(const StepRecording& r, uint32_t pos_a, uint32_t pos_b,
              const std::string& path = "/data/0607.ab");
    // One step; returns the records it reported.
    Strings tick();
    // One step; the text of the fatal error it raised, or "<no error>".
    std::string tick_error();
    void select(int async_view, int sync_view);
    // The open data file's bytes, which a test may change between steps.
    std::vector<uint8_t>& file_bytes();
    // After open: camera B's records are decoded (and, while a view is selected, assembled)
    // ahead on a second thread over a copy of the file's bytes as they stand, as a player
    // does. off: the steps read and decode in place again.
    void decode_b_ahead(bool on = true);
    const ViewPlaybackState& state() const { return view.playback_state(); }

    // The start-up directory, where CORRFACT.DAT is looked for among the opener's files.
    static constexpr const char* kWorkDir = "/start";
    // Puts a correction file with this text in the start-up directory.
    void put_corrections(const std::string& text);
    PlaybackSession session;
    Document doc;
    StepUser user;
    MemoryFileOpener opener;
    RecordingView view;
    RecordingObserver obs;
    std::unique_ptr<DecodeAhead> ahead;  // last: its thread ends before the rest goes
};

}  // namespace korvel::test
