#include "playback/playback_step.h"

#include <algorithm>

#include "calibration/correction_file.h"
#include "codec/line_decoder.h"
#include "common/fatal_error.h"
#include "format/record_reader.h"
#include "matching/camera_matching.h"
#include "particles/assembled_record.h"
#include "particles/chronology.h"
#include "particles/particle_assembly.h"
#include "playback/decode_ahead.h"

namespace korvel {
namespace {

// Matching decisions go to the view only while the synchronous view is on, and to the
// observer in every view.
class StepMatchSink : public MatchSink {
  public:
    StepMatchSink(PlaybackView& view, bool draw, PlaybackObserver* observer)
        : view_(view), draw_(draw), observer_(observer) {}

    void on_match(const Particle* a, const Particle* b, MatchOutcome outcome) override {
        if (draw_) view_.DrawMatch(a, b, outcome == MatchOutcome::pair ? 1 : 0);
        if (observer_) observer_->on_match(a, b, outcome);
    }

  private:
    PlaybackView& view_;
    bool draw_;
    PlaybackObserver* observer_;
};

struct StepContext {
    PlaybackSession& session;
    PlaybackView& view;
    DecodeContext& ctx;
    PlaybackObserver* observer;
    bool views_on;  // async_view or sync_view selected
    GrowthWatch::Clock::time_point now;  // the one time the step reads, from the player's clock
};

// A camera's record as the step has it: where it stands and its decoded lines (n == 0: a
// record to be ignored, result 0 or no line).
struct CameraRecord {
    uint32_t at = 0;
    int16_t n = 0;
    const LineEntry* lines = nullptr;
    double y_first = 0.0;
    double y_last = 0.0;
    bool rising = false;  // each line lies above the one before
    const AssembledRecord* assembled = nullptr;  // its particles, when assembled ahead
};

// Decodes the record in session.record straight into line_buf. The decoder writes only the
// lines it counts, so a record ignored leaves line_buf as it was, and lines it does count are
// those the record hands on.
void decode_current(StepContext& sc, CameraRecord& rec) {
    const RawRecord& raw = sc.session.record;
    int16_t n = 0;
    const int result = decode_record(sc.session.header_version, raw.payload.data(), raw.cmpr_n,
                                     sc.ctx.line_buf.data(), n);
    rec.n = result == 0 || n <= 0 ? int16_t{0} : n;
    rec.lines = sc.ctx.line_buf.data();
    rec.rising = false;
    rec.assembled = nullptr;
    if (rec.n > 0) {
        rec.y_first = rec.lines[0].y_count;
        rec.y_last = rec.lines[rec.n - 1].y_count;
    }
}

// Makes the decoded lines the context's current record.
void take_lines(DecodeContext& ctx, const CameraRecord& rec) {
    ctx.lines = rec.lines;
    ctx.line_count = rec.n;
    ctx.lines_rising = rec.rising;
}

void report_record(StepContext& sc, Camera camera, const CameraRecord& rec, bool handed_on) {
    if (!sc.observer) return;
    DecodedRecordEvent ev;
    ev.camera = camera;
    ev.pos = rec.at;
    ev.n = rec.n;
    ev.y_first = rec.y_first;
    ev.y_last = rec.y_last;
    ev.handed_on = handed_on;
    sc.observer->on_record(ev);
}

// Assembly, drawing, the order checks and the count, for the context's record.
void hand_on(StepContext& sc, Camera camera, const CameraRecord& rec) {
    const int16_t n = rec.n;
    CameraQueue& queue = camera == Camera::A ? sc.ctx.queue_a : sc.ctx.queue_b;
    if (rec.assembled == nullptr || !take_assembled(sc.ctx, queue, *rec.assembled)) {
        assemble_lines(sc.ctx, queue);
    }
    if (sc.session.async_view == 1) sc.view.DrawCameraLines(camera, n, sc.ctx);
    close_record(sc.ctx, queue, sc.observer);
    check_line_order(sc.ctx, camera);
    if (camera == Camera::A) {
        sc.session.total_lines_a += n;
    } else {
        sc.session.total_lines_b += n;
    }
}

// A record of type 0 and length 0 is four zero bytes. Where one stands, a sparse or
// pre-allocated tail may hold billions more; both readers pass over them like any other
// record of another type, but a whole run at once.
void pass_empty_run(PlaybackSession& s, uint32_t& pos, uint64_t length) {
    if (s.record.type == 0 && s.record.cmpr_n == 0) {
        pos = pass_empty_records(*s.data_file, pos, length, s.record.payload);
    }
}

// Reads the record at pos. A record cut by the file's current end is left for a later step
// (false, pos unmoved) while the file may still grow; once it is quiet, or when the session
// reads files as finished, the cut raises its read error.
bool read_or_wait(StepContext& sc, uint32_t& pos) {
    PlaybackSession& s = sc.session;
    const char* cut = read_record_unless_cut(*s.data_file, pos, s.record);
    if (cut == nullptr) return true;
    if (s.follow.waits_on_cut() && !s.follow.watch.quiet(sc.now)) return false;
    throw FatalError(cut);
}

// What a camera reader found at its position: its camera's next record, records of other
// types it passed, or a record cut by the end of the data that it waits at.
enum class Found { record, passed, wait };

// The reader of camera at pos takes its next record, from the decode-ahead ring when there is
// one and it has the record, else by reading and decoding it here.
Found next_record(StepContext& sc, Camera camera, uint32_t& pos, uint64_t length,
                  CameraRecord& rec) {
    PlaybackSession& s = sc.session;
    if (s.decode_ahead != nullptr && s.decode_ahead->camera() == camera) {
        if (const AheadItem* item = s.decode_ahead->take(pos, length)) {
            pos = item->next;
            if (item->kind == AheadKind::passed) return Found::passed;
            rec = CameraRecord{item->last,    item->n,      item->lines, item->y_first,
                               item->y_last,  item->rising, nullptr};
            if (item->assembled.allocations >= 0) rec.assembled = &item->assembled;
            return Found::record;
        }
    }
    rec.at = pos;
    if (!read_or_wait(sc, pos)) return Found::wait;
    if (s.record.type != (camera == Camera::A ? kCameraARecord : kCameraBRecord)) {
        pass_empty_run(s, pos, length);
        return Found::passed;
    }
    decode_current(sc, rec);
    return Found::record;
}

// How camera A's turn ended: it took a record, it used its turn on a record of no lines, it
// ran out of data, or it waits at a cut record.
enum class TurnA { took, empty, ran_out, wait };

// Camera A: at most one record of its own per step.
TurnA step_camera_a(StepContext& sc, uint64_t length) {
    PlaybackSession& s = sc.session;
    CameraRecord rec;
    while (s.pos_a < length) {
        const Found found = next_record(sc, Camera::A, s.pos_a, length, rec);
        if (found == Found::wait) return TurnA::wait;
        if (found == Found::passed) continue;
        if (rec.n == 0) return TurnA::empty;  // an empty record still uses up camera A's turn
        // The index points at the start of the start time's minute. Records that end before
        // the start line still set the pace, but are not handed on: otherwise their particles
        // would fill the pool before matching may run and camera B could allocate none.
        const double last = rec.y_last;
        const bool handed_on = sc.views_on && last > s.start_line;
        report_record(sc, Camera::A, rec, handed_on);
        take_lines(sc.ctx, rec);
        s.m_lastLineA = last;
        if (handed_on) hand_on(sc, Camera::A, rec);
        return TurnA::took;
    }
    return TurnA::ran_out;
}

// Camera B: reads on while it is behind camera A, or to the end once A is exhausted. Returns
// false when it must wait for the file to grow (a cut record, or the current end while still
// behind A when the step waits at the end).
bool step_camera_b(StepContext& sc, uint64_t length, bool a_exhausted) {
    PlaybackSession& s = sc.session;
    CameraRecord rec;
    while (s.m_lastLineB < s.m_lastLineA || a_exhausted) {
        if (s.pos_b >= length) return a_exhausted || !s.follow.waits_at_end();
        const Found found = next_record(sc, Camera::B, s.pos_b, length, rec);
        if (found == Found::wait) return false;
        // Passing over records of another type changes nothing this loop tests.
        if (found == Found::passed || rec.n == 0) continue;
        // Records not beyond the start line only move camera B's newest line, as for A.
        const double last = rec.y_last;
        const bool handed_on = sc.views_on && last > s.start_line;
        report_record(sc, Camera::B, rec, handed_on);
        take_lines(sc.ctx, rec);
        s.m_lastLineB = last;
        if (handed_on) hand_on(sc, Camera::B, rec);
    }
    return true;
}

// The cameras' part of a step, resuming a step that waits. Returns false when the step must
// wait for more data; follow.pending then says where it goes on.
bool read_cameras(StepContext& sc, uint64_t length) {
    FollowState& f = sc.session.follow;
    if (f.pending != StepPhase::camera_b) {
        const TurnA turn = step_camera_a(sc, length);
        if (turn == TurnA::wait || (turn == TurnA::ran_out && f.waits_at_end())) {
            f.pending = StepPhase::camera_a;
            return false;
        }
        f.a_took = turn == TurnA::took;
    }
    const bool a_exhausted = sc.session.pos_a >= length && !f.a_took;
    // Whether camera A is exhausted is known only once the file is finished.
    if ((a_exhausted && f.waits_at_end()) || !step_camera_b(sc, length, a_exhausted)) {
        f.pending = StepPhase::camera_b;
        return false;
    }
    f.pending = StepPhase::none;
    return true;
}

}  // namespace

bool playback_step_may_run(const PlaybackSession& session, const Document& doc) {
    return session.playback_running == 1 && !doc.path_name.empty() &&
           session.open_document != nullptr && session.data_file != nullptr &&
           session.decode_context != nullptr && session.follow.opening == OpenWait::none;
}

bool playback_caught_up(const PlaybackSession& session, uint64_t length) {
    return session.follow.waiting() || (session.pos_a >= length && session.pos_b >= length);
}

bool playback_ended_before_start(const PlaybackSession& session) {
    return session.start_line > 0.0 &&
           std::max(session.m_lastLineA, session.m_lastLineB) <= session.start_line;
}

int playback_step(PlaybackSession& session, PlaybackView& view, Document& doc, DecodeContext& ctx,
                  PlaybackObserver* observer) {
    if (doc.m_newFile) {
        doc.m_newFile = 0;
        view.reset_playback_state();
        session.m_lastLineA = 0.0;
        session.m_lastLineB = 0.0;
        // A session whose data file came through no opener has no correction file either.
        if (session.file_opener != nullptr) {
            load_corrections(session.work_dir, doc.corrections, *session.file_opener);
        }
        init_queues(ctx.queue_a, ctx.queue_b);
        session.follow.restart();
    }
    StepContext sc{session,  view, ctx, observer, session.async_view == 1 || session.sync_view == 1,
                   session.follow.now()};
    if (sc.views_on) view.DrawScale();

    // The length is taken afresh at every step: the recording may still be growing.
    const uint64_t length = checked_file_length(*session.data_file);
    session.follow.watch.observe(length, sc.now);
    if (session.decode_ahead != nullptr) session.decode_ahead->set_limit(length);
    // A step that waits for data matches nothing yet: the matching of the finished
    // recording sees camera B read up to camera A.
    if (!read_cameras(sc, length)) return 1;

    const double newest_a = session.m_lastLineA;
    if (newest_a > session.start_line) {
        StepMatchSink sink(view, session.sync_view == 1, observer);
        match_cameras(ctx, newest_a, &sink);
    }
    return 1;
}

}  // namespace korvel
