#include "support/playback_harness.h"

#include <cstdio>

#include "commands/open_file.h"
#include "format/raw_record.h"
#include "format/recording_writer.h"
#include "io/memory_source.h"
#include "playback/playback_step.h"
#include "support/fatal_text.h"

namespace korvel::test {
namespace {

std::string two_lines(const char* fmt, double a, double b) {
    char text[64];
    std::snprintf(text, sizeof text, fmt, a, b);
    return text;
}

std::string first_lines(const Particle* a, const Particle* b) {
    return two_lines("%.0f/%.0f", a ? a->y_first : -1, b ? b->y_first : -1);
}

std::string describe(char cam, uint32_t pos, int n, double first, double last, bool on) {
    return std::string(1, cam) + "@" + std::to_string(pos) + " n=" + std::to_string(n) +
           two_lines(" %.0f..%.0f", first, last) + (on ? " on" : " off");
}

}  // namespace

bool StepUser::choose_file(std::string& p, std::string& title) {
    p = path;
    title = path;
    return true;
}

bool StepUser::choose_start_time(int& h, int& m, int& s) {
    h = hour;
    m = minute;
    s = second;
    return true;
}

void RecordingView::reset_playback_state() {
    ++resets;
    PlaybackView::reset_playback_state();
}

void RecordingView::DrawCameraLines(Camera camera, int16_t n, const DecodeContext& ctx) {
    char text[96];
    std::snprintf(text, sizeof text, "%d n=%d buf=%d %.0f..%.0f", camera == Camera::A ? 1 : 2, n,
                  ctx.line_count, ctx.line_buf[0].y_count,
                  ctx.line_buf[static_cast<size_t>(n - 1)].y_count);
    lines.push_back(text);
}

void RecordingView::DrawMatch(const Particle* a, const Particle* b, int matched) {
    matches.push_back(first_lines(a, b) + " " + std::to_string(matched));
}

void RecordingObserver::on_record(const DecodedRecordEvent& e) {
    records.push_back(
        describe(camera_letter(e.camera), e.pos, e.n, e.y_first, e.y_last, e.handed_on));
}

void RecordingObserver::on_wait(Camera, const Particle& p) {
    waits.push_back(std::string(1, static_cast<char>(p.owner)) + two_lines(" %.0f", p.y_first, 0));
}

void RecordingObserver::on_match(const Particle* a, const Particle* b, MatchOutcome o) {
    decisions.push_back(std::string(match_outcome_name(o)) + " " + first_lines(a, b));
}

std::string rec(char cam, uint32_t pos, double first, int n, bool on) {
    return describe(cam, pos, n, first, first + n - 1, on);
}

PlaybackHarness::PlaybackHarness() {
    apply_start_up(session, kWorkDir, "");
}

void PlaybackHarness::open(const StepRecording& r, uint32_t pos_a, uint32_t pos_b,
                           const std::string& path) {
    opener.add(path, r.ab());
    opener.add(index_file_path(path), index_at(pos_a, pos_b));
    user.path = path;
    open_file(session, doc, user, opener);
    ASSERT_NE(session.decode_context, nullptr);
    ASSERT_TRUE(user.file_errors.empty());
    session.playback_running = 1;
}

Strings PlaybackHarness::tick() {
    const size_t before = obs.records.size();
    EXPECT_EQ(playback_step(session, view, doc, *session.decode_context, &obs), 1);
    return Strings(obs.records.begin() + static_cast<long>(before), obs.records.end());
}

std::string PlaybackHarness::tick_error() {
    return fatal_text([&] { playback_step(session, view, doc, *doc.m_pContext, &obs); });
}

void PlaybackHarness::select(int async_view, int sync_view) {
    session.async_view = async_view;
    session.sync_view = sync_view;
}

void PlaybackHarness::put_corrections(const std::string& text) {
    opener.add(std::string(kWorkDir) + "/CORRFACT.DAT",
               std::vector<uint8_t>(text.begin(), text.end()));
}

void PlaybackHarness::decode_b_ahead(bool on) {
    session.decode_ahead = nullptr;
    ahead.reset();
    if (!on) return;
    const bool views_on = session.async_view == 1 || session.sync_view == 1;
    ahead = std::make_unique<DecodeAhead>(session.data_file->open_another(), session.header_version,
                                          Camera::B, views_on);
    session.decode_ahead = ahead.get();
}

std::vector<uint8_t>& PlaybackHarness::file_bytes() {
    return dynamic_cast<MemorySource&>(*session.data_file).bytes();
}

}  // namespace korvel::test
