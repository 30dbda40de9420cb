#include "particles/particle_assembly.h"

#include <algorithm>
#include <cstdlib>

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

void start_particle(DecodeContext& ctx, CameraQueue& queue, double y, Segment seg) {
    Particle* p = allocate_particle(ctx);
    if (p == nullptr) return;  // pool full: the run is dropped, as designed
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

void assemble_lines(DecodeContext& ctx, CameraQueue& queue) {
    const int line_count = std::clamp<int>(ctx.line_count, 0, kMaxLinesPerRecord);
    for (int i = 0; i < line_count; ++i) {
        const LineEntry& line = ctx.line_buf[static_cast<size_t>(i)];
        const int segment_count = std::clamp<int>(line.segment_count, 0, kMaxSegmentsPerLine);
        for (int k = 0; k < segment_count; ++k) {
            const Segment seg = line.segments[static_cast<size_t>(k)];
            Particle* p = find_continued(queue, line.y_count, seg.start_x, seg.end_x);
            if (p == nullptr) {
                start_particle(ctx, queue, line.y_count, seg);
            } else {
                continue_particle(*p, line.y_count, seg);
            }
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
