#pragma once

#include <deque>
#include <vector>

#include "particles/particle.h"

namespace korvel::test {

// Particles for drawing tests: count lines from y_first, every segment x0 to x1, the segment
// arrays owned here rather than by a pool.
class ParticleMaker {
  public:
    Particle& make(double y_first, int16_t count, int16_t x0, int16_t x1) {
        Particle& p = particles_.emplace_back();
        p.segments = segments_.emplace_back(count, Segment{x0, x1}).data();
        p.y_first = y_first;
        p.y_last = y_first + count - 1;
        p.line_count = count;
        p.x_min = x0;
        p.x_max = x1;
        return p;
    }
    // Appends p at the newest end of the queue's assign list.
    static void assign(CameraQueue& q, Particle& p) {
        p.older = q.assign_newest;
        (q.assign_newest ? q.assign_newest->newer : q.assign_oldest) = &p;
        q.assign_newest = &p;
    }

  private:
    std::deque<Particle> particles_;
    std::deque<std::vector<Segment>> segments_;
};

}  // namespace korvel::test
