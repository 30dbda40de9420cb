#include "particles/particle_assembly.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "particles/chronology.h"

namespace korvel {

namespace {

// Both lists of a queue are doubly linked through older/newer with a newest and an oldest end;
// these two helpers work on either list, given its two ends.
void push_newest(Particle*& newest, Particle*& oldest, Particle* p) {
    p->older = newest;
    p->newer = nullptr;
    if (newest != nullptr) {
        newest->newer = p;
    } else {
        oldest = p;
    }
    newest = p;
}

void unlink(Particle*& newest, Particle*& oldest, Particle* p) {
    if (p->older != nullptr) p->older->newer = p->newer;
    if (p->newer != nullptr) p->newer->older = p->older;
    if (newest == p) newest = p->older;
    if (oldest == p) oldest = p->newer;
}

// The newest particle whose last run lies on the line just above y and overlaps (s, e);
// touching ends count as overlap. Searching from the newest end means a run that touches two
// particles continues the newer one, and the older one stops growing.
Particle* find_continued(const CameraQueue& queue, double y, int s, int e) {
    for (Particle* p = queue.assign_newest; p != nullptr; p = p->older) {
        if (y - p->y_last != 1.0) continue;
        const Segment& last = p->segments[p->line_count - 1];
        if (e >= last.start_x && s <= last.end_x) return p;
    }
    return nullptr;
}

Particle* start_particle(DecodeContext& ctx, CameraQueue& queue, double y, Segment seg) {
    Particle* p = allocate_particle(ctx);
    if (p == nullptr) return nullptr;  // pool full: the run is dropped, as designed
    p->owner = queue.assign_letter;
    p->x_min = seg.start_x;
    p->x_max = seg.end_x;
    p->max_width = 0;
    p->line_count = 1;
    p->y_first = y;
    p->y_last = y;
    p->segments[0] = seg;
    p->overflow = 0;
    push_newest(queue.assign_newest, queue.assign_oldest, p);
    return p;
}

void continue_particle(Particle& p, double y, Segment seg) {
    p.y_last = y;
    if (p.line_count >= kMaxParticleLines) {
        // Too tall to be a drop: keep following it, so that its further lines are not taken
        // for new particles, but only so that it can be thrown away at the end of the record.
        p.overflow = 1;
        p.segments[kMaxParticleLines - 1] = seg;
        return;
    }
    p.x_min = std::min(p.x_min, seg.start_x);
    p.x_max = std::max(p.x_max, seg.end_x);
    const int width = seg.end_x - seg.start_x;
    if (width > p.max_width) p.max_width = static_cast<int16_t>(width);
    p.segments[p.line_count] = seg;
    ++p.line_count;
}

bool is_discarded(const Particle& p) {
    return p.overflow != 0 || p.x_max - p.x_min + 1 < 2 || p.line_count < 2;
}

// Whether starts and ends both rise (or stay) from run to run: what the decoder produces,
// where each run begins at or after the end of the one before.
bool runs_in_order(const LineEntry& line, int n) {
    for (int k = 1; k < n; ++k) {
        const Segment& a = line.segments[static_cast<size_t>(k - 1)];
        const Segment& b = line.segments[static_cast<size_t>(k)];
        if (b.start_x < a.start_x || b.end_x < a.end_x) return false;
    }
    return true;
}

// The greater of two line numbers, where NaN wins and sticks: after a NaN line number every
// line takes the full search.
double max_or_nan(double a, double b) {
    return (b > a || std::isnan(b)) ? b : a;
}

// The particles one line's runs started or continued, in the order of the runs, each with
// that run: its last segment.
struct TouchedLine {
    std::array<Particle*, kMaxSegmentsPerLine> particle;
    std::array<Segment, kMaxSegmentsPerLine> last;
    int count = 0;
    void add(Particle* p, Segment seg) {
        particle[static_cast<size_t>(count)] = p;
        last[static_cast<size_t>(count)] = seg;
        ++count;
    }
};

// Continues p with the run, or starts a particle for it where there is none; the line
// records whichever took the run (a full pool takes none).
void take_run(DecodeContext& ctx, CameraQueue& queue, Particle* p, double y, Segment seg,
              int32_t& next_rank, TouchedLine& now) {
    if (p != nullptr) {
        continue_particle(*p, y, seg);
    } else {
        p = start_particle(ctx, queue, y, seg);
        if (p == nullptr) return;
        p->queue_rank = next_rank++;
    }
    now.add(p, seg);
}

// Joins a line's runs to the first `candidates` particles of the previous line, walking both
// in x order; returns through `now` what the line touched.
void merge_line(DecodeContext& ctx, CameraQueue& queue, const LineEntry& line, int n,
                const TouchedLine& prev, int candidates, int32_t& next_rank, TouchedLine& now) {
    const double y = line.y_count;
    unsigned taken = 0;  // bit j: candidate j was continued by an earlier run of this line
    int first = 0;       // the first candidate whose run does not end left of the line's run
    for (int k = 0; k < n; ++k) {
        const Segment seg = line.segments[static_cast<size_t>(k)];
        while (first < candidates && prev.last[static_cast<size_t>(first)].end_x < seg.start_x) {
            ++first;
        }
        int best = -1;
        for (int j = first;
             j < candidates && prev.last[static_cast<size_t>(j)].start_x <= seg.end_x; ++j) {
            if ((taken >> j) & 1u) continue;
            // Two candidates under one run: the newer one wins, as the queue search has it.
            if (best < 0 || prev.particle[static_cast<size_t>(j)]->queue_rank >
                                prev.particle[static_cast<size_t>(best)]->queue_rank) {
                best = j;
            }
        }
        Particle* p = nullptr;
        if (best >= 0) {
            taken |= 1u << best;
            p = prev.particle[static_cast<size_t>(best)];
        }
        take_run(ctx, queue, p, y, seg, next_rank, now);
    }
}

// Joins the line's runs by searching the whole queue for each.
void search_line(DecodeContext& ctx, CameraQueue& queue, const LineEntry& line, int n,
                 int32_t& next_rank, TouchedLine& now) {
    const double y = line.y_count;
    for (int k = 0; k < n; ++k) {
        const Segment seg = line.segments[static_cast<size_t>(k)];
        take_run(ctx, queue, find_continued(queue, y, seg.start_x, seg.end_x), y, seg, next_rank,
                 now);
    }
}

// Up to this many particles in the assign queue, walking it for every run costs less than
// keeping the merge's arrays.
constexpr int kShortQueue = 16;

// Joins lines from the first on, searching the queue for every run, while the queue holds at
// most `short_queue` particles. Returns the first line not joined.
int search_short_queue(DecodeContext& ctx, CameraQueue& queue, int line_count, int short_queue) {
    int queued = 0;
    for (const Particle* p = queue.assign_oldest; p != nullptr; p = p->newer) ++queued;
    if (queued > short_queue) return 0;
    for (int i = 0; i < line_count; ++i) {
        const LineEntry& line = ctx.lines[i];
        const int segment_count = std::clamp<int>(line.segment_count, 0, kMaxSegmentsPerLine);
        for (int k = 0; k < segment_count; ++k) {
            const Segment seg = line.segments[static_cast<size_t>(k)];
            Particle* p = find_continued(queue, line.y_count, seg.start_x, seg.end_x);
            if (p != nullptr) {
                continue_particle(*p, line.y_count, seg);
            } else if (start_particle(ctx, queue, line.y_count, seg) != nullptr) {
                ++queued;
            }
        }
        if (queued > short_queue) return i + 1;
    }
    return line_count;
}

// The state of the merge: the previous line's particles and what bounds all the others.
struct MergeState {
    std::array<TouchedLine, 2> touched;  // the previous line's and this line's
    int prev = 0;
    double prev_y = 0.0;
    bool prev_in_order = true;
    double older_max = -std::numeric_limits<double>::infinity();
    int32_t next_rank = 0;
};

// Takes over the queue built so far, before line first: ranks its particles in
// queue order and gathers those whose last run lies on line first - 1 in x order. Particles
// that cannot be gathered (more than a line holds) count among the others, which keeps the
// merge off until the queue has moved on.
void take_over(const DecodeContext& ctx, const CameraQueue& queue, int first, MergeState& m) {
    m.prev_y = first > 0 ? ctx.lines[first - 1].y_count
                         : -std::numeric_limits<double>::infinity();
    TouchedLine& before = m.touched[0];
    for (Particle* p = queue.assign_oldest; p != nullptr; p = p->newer) {
        p->queue_rank = m.next_rank++;
        if (p->y_last == m.prev_y && p->line_count > 0 && before.count < kMaxSegmentsPerLine) {
            before.add(p, p->segments[p->line_count - 1]);
        } else {
            m.older_max = max_or_nan(m.older_max, p->y_last);
        }
    }
    // Insertion sort by start; equal starts keep queue order.
    LineEntry runs;
    for (int j = 1; j < before.count; ++j) {
        for (int k = j; k > 0 && before.last[static_cast<size_t>(k)].start_x <
                                     before.last[static_cast<size_t>(k - 1)].start_x;
             --k) {
            std::swap(before.last[static_cast<size_t>(k)], before.last[static_cast<size_t>(k - 1)]);
            std::swap(before.particle[static_cast<size_t>(k)],
                      before.particle[static_cast<size_t>(k - 1)]);
        }
    }
    for (int j = 0; j < before.count; ++j) {
        runs.segments[static_cast<size_t>(j)] = before.last[static_cast<size_t>(j)];
    }
    m.prev_in_order = runs_in_order(runs, before.count);
}

// Joins lines [first, line_count) with the merge wherever it holds.
[[gnu::noinline]] void merge_lines(DecodeContext& ctx, CameraQueue& queue, int first,
                                   int line_count) {
    MergeState m;
    take_over(ctx, queue, first, m);
    for (int i = first; i < line_count; ++i) {
        const LineEntry& line = ctx.lines[i];
        const int n = std::clamp<int>(line.segment_count, 0, kMaxSegmentsPerLine);
        const double y = line.y_count;
        const bool in_order = runs_in_order(line, n);
        TouchedLine& now = m.touched[static_cast<size_t>(m.prev ^ 1)];
        now.count = 0;
        if (in_order && m.prev_in_order && y - m.older_max > 1.0) {
            const TouchedLine& before = m.touched[static_cast<size_t>(m.prev)];
            merge_line(ctx, queue, line, n, before, y - m.prev_y == 1.0 ? before.count : 0,
                       m.next_rank, now);
        } else {
            search_line(ctx, queue, line, n, m.next_rank, now);
        }
        m.older_max = max_or_nan(m.older_max, m.prev_y);
        m.prev_y = y;
        m.prev_in_order = in_order;
        m.prev ^= 1;
    }
}

}  // namespace

void init_queues(CameraQueue& a, CameraQueue& b) {
    a = CameraQueue{};
    b = CameraQueue{};
    a.assign_letter = '1';
    a.wait_letter = 'V';
    b.camera = Camera::B;
    b.assign_letter = '2';
    b.wait_letter = 'W';
}

// A run continues the newest particle whose last run lies on the line just above and overlaps
// it. While the queue is short, walking it for every run is the cheapest way to find that
// particle. Once it holds more than kShortQueue particles (it only grows here), the rest of
// the record is merged: only particles whose last run lies on the previous line's number can
// be that particle, as long as that number is exactly one below this line's and every other
// particle lies further away; their runs, kept in a small array in x order, are then walked
// once beside the line's runs, with no walk through the queue. Line numbers come from the
// data and may repeat, run backwards or be any double; a line where the merge's conditions
// fail searches the whole queue, newest first, for every run.
//
// Why the merge finds the same particle: a particle the previous line did not touch last lay
// on an older line, whose number is at most older_max. Rounded subtraction never decreases as
// the subtrahend falls, so once y - older_max > 1.0 none of those has y - y_last == 1.0. The
// particles the previous line touched all have y_last == prev_y: all of them qualify or none.
// Within a line both arrays' runs rise in x (checked), so the runs a line run overlaps form
// one stretch of the array that only moves right; among them the newest not yet continued
// wins, as in the queue's order.
void assemble_lines(DecodeContext& ctx, CameraQueue& queue, RunSearch search) {
    const int line_count = std::clamp<int>(ctx.line_count, 0, kMaxLinesPerRecord);
    const int i = search_short_queue(ctx, queue, line_count,
                                     search == RunSearch::kMerge ? kShortQueue : kPoolSize);
    if (i < line_count) merge_lines(ctx, queue, i, line_count);

    Particle* p = queue.assign_oldest;
    while (p != nullptr) {
        Particle* next = p->newer;
        if (is_discarded(*p)) {
            unlink(queue.assign_newest, queue.assign_oldest, p);
            free_particle(ctx, p);
        }
        p = next;
    }
}

void close_record(DecodeContext& /*ctx*/, CameraQueue& queue, WaitSink* sink) {
    Particle* first = queue.assign_oldest;
    if (first == nullptr) return;
    check_queue_order("Assign-queue", queue.assign_letter, first);

    first->older = queue.wait_newest;
    if (queue.wait_newest != nullptr) {
        queue.wait_newest->newer = first;
    } else {
        queue.wait_oldest = first;
    }

    // The particles keep their segment arrays in the context's store: moving them to the wait
    // queue allocates and frees nothing.
    for (Particle* p = first; p != nullptr; p = p->newer) p->owner = queue.wait_letter;
    queue.wait_newest = queue.assign_newest;
    queue.assign_newest = nullptr;
    queue.assign_oldest = nullptr;

    if (sink != nullptr) {
        for (const Particle* p = first; p != nullptr; p = p->newer) sink->on_wait(queue.camera, *p);
    }
    check_queue_order("Wait-queue", queue.wait_letter, queue.wait_oldest);
}

void remove_waiting(DecodeContext& ctx, Particle* p, CameraQueue& queue) {
    // Unlinking a particle of another list would leave both lists corrupt.
    if (p == nullptr || p->owner != queue.wait_letter) std::abort();
    unlink(queue.wait_newest, queue.wait_oldest, p);
    free_particle(ctx, p);
}

}  // namespace korvel
