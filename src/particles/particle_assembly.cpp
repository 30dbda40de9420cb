#include "particles/particle_assembly.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <utility>

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

// The particles the line just above touched, for assemble_lines. Valid while every line of the
// record so far holds a whole line number (exact in double arithmetic) above the line before
// it, and the assign queue was empty when the record began: then every particle's y_last is
// the number of a line already seen, the particles whose y_last is y - 1 are those touched by
// the line before when it was line y - 1, and none otherwise. Particles are ranked by the
// order they were started in, which is their order in the assign queue, so find() picks the
// particle find_continued would pick. Once the lines leave that order the caller walks the
// queue, which is always right.
class ContinuationShortcut {
  public:
    ContinuationShortcut(const DecodeContext& ctx, const CameraQueue& queue)
        : valid_(queue.assign_newest == nullptr), pool_(ctx.pool.data()) {}

    // Moves to the line numbered y; returns whether find() may stand in for the queue walk.
    bool next_line(double y) {
        constexpr double kExact = 4503599627370496.0;  // 2^52: whole numbers and their steps exact
        if (!valid_) return false;
        // The range test comes first: only then is the conversion to an integer defined.
        const bool whole =
            y > -kExact && y < kExact && static_cast<double>(static_cast<int64_t>(y)) == y;
        if (!whole || (seen_ && !(y > above_))) {
            valid_ = false;
            return false;
        }
        // What the line before touched is what this line may continue, if it lies just above.
        std::swap(touched_, candidates_);
        candidate_count_ = seen_ && y - above_ == 1.0 ? touched_count_ : 0;
        touched_count_ = 0;
        above_ = y;
        seen_ = true;
        return true;
    }

    // The latest started candidate still ending on the line above whose last run overlaps
    // (s, e); a candidate continued by an earlier run of this line ends on this line.
    Particle* find(double y, int s, int e) const {
        Particle* best = nullptr;
        uint32_t best_rank = 0;
        for (int i = 0; i < candidate_count_; ++i) {
            Particle* p = candidates_[static_cast<size_t>(i)];
            if (y - p->y_last != 1.0) continue;
            const Segment& last = p->segments[p->line_count - 1];
            if (!(e >= last.start_x && s <= last.end_x)) continue;
            const uint32_t r = rank_[index_of(p)];
            if (best == nullptr || r > best_rank) {
                best = p;
                best_rank = r;
            }
        }
        return best;
    }

    void started(const Particle* p) { rank_[index_of(p)] = next_rank_++; }
    void touched(Particle* p) {
        // Each run touches one particle, and a line has at most kMaxSegmentsPerLine runs.
        if (valid_ && touched_count_ < kMaxSegmentsPerLine) {
            touched_[static_cast<size_t>(touched_count_++)] = p;
        }
    }

  private:
    size_t index_of(const Particle* p) const { return static_cast<size_t>(p - pool_); }

    bool valid_;
    bool seen_ = false;
    double above_ = 0.0;  // the number of the line before
    int touched_count_ = 0;
    int candidate_count_ = 0;
    std::array<Particle*, kMaxSegmentsPerLine> touched_{};
    std::array<Particle*, kMaxSegmentsPerLine> candidates_{};
    const Particle* pool_;
    uint32_t next_rank_ = 0;
    std::array<uint32_t, kPoolSize> rank_{};
};

bool is_discarded(const Particle& p) {
    return p.overflow != 0 || p.x_max - p.x_min + 1 < 2 || p.line_count < 2;
}

}  // namespace

void init_queues(CameraQueue& a, CameraQueue& b) {
    a = CameraQueue{};
    b = CameraQueue{};
    a.assign_letter = '1';
    a.wait_letter = 'V';
    b.assign_letter = '2';
    b.wait_letter = 'W';
}

void assemble_lines(DecodeContext& ctx, CameraQueue& queue) {
    const int line_count = std::clamp<int>(ctx.line_count, 0, kMaxLinesPerRecord);
    // The run is continued by a particle whose last line is the line just above. Walking the
    // whole assign queue for every run costs more than the rest of a step; while the lines come
    // in order, the particles whose last line is the line above are exactly those the line
    // above touched, a handful, and only they need to be looked at.
    ContinuationShortcut shortcut(ctx, queue);
    for (int i = 0; i < line_count; ++i) {
        const LineEntry& line = ctx.line_buf[static_cast<size_t>(i)];
        const bool short_cut = shortcut.next_line(line.y_count);
        const int segment_count = std::clamp<int>(line.segment_count, 0, kMaxSegmentsPerLine);
        for (int k = 0; k < segment_count; ++k) {
            const Segment seg = line.segments[static_cast<size_t>(k)];
            Particle* p = short_cut ? shortcut.find(line.y_count, seg.start_x, seg.end_x)
                                    : find_continued(queue, line.y_count, seg.start_x, seg.end_x);
            if (p == nullptr) {
                p = start_particle(ctx, queue, line.y_count, seg);
                if (p != nullptr) shortcut.started(p);
            } else {
                continue_particle(*p, line.y_count, seg);
            }
            if (p != nullptr) shortcut.touched(p);
        }
    }

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
        for (const Particle* p = first; p != nullptr; p = p->newer) sink->on_wait(*p);
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
