#include "particles/chronology.h"

#include <algorithm>
#include <cstdio>

#include "common/fatal_error.h"

namespace korvel {

// Particles enter a list in the order they were made, which for data in time order is the
// order of y_first. Each is held against the oldest one only, so a list that wobbles but
// never falls below its start passes.
void check_queue_order(const char* list_name, char list_letter, const Particle* oldest) {
    if (oldest == nullptr) return;
    const double y0 = oldest->y_first;
    for (const Particle* p = oldest; p != nullptr; p = p->newer) {
        if (!(p->y_first >= y0)) {
            char text[96];
            std::snprintf(text, sizeof text, " %s %c -> Chronology - Error ", list_name,
                          list_letter);
            throw FatalError(text);
        }
    }
}

// Line numbers are the time base of assembly and matching; a camera whose numbers stand still
// or run backward is delivering corrupt data. Each camera is held to its own last line, for
// the life of the opened file.
void check_line_order(DecodeContext& ctx, Camera camera) {
    double* const last = camera == Camera::A ? &ctx.m_oldA : &ctx.m_oldB;
    const char* const text = camera == Camera::A ? "neg. time jump in A" : "neg. time jump in B";
    const int line_count = std::clamp<int>(ctx.line_count, 0, kMaxLinesPerRecord);
    if (ctx.lines_rising && line_count > 0) {
        // Each line lies above the one before, so only the first can fail the check.
        if (!(ctx.lines[0].y_count > *last)) throw FatalError(text);
        *last = ctx.lines[line_count - 1].y_count;
        return;
    }
    // The last accepted line is kept in a local: stored through the pointer, it would be
    // written back and read again for every line.
    double accepted = *last;
    for (int i = 0; i < line_count; ++i) {
        const double y = ctx.lines[i].y_count;
        if (!(y > accepted)) {
            *last = accepted;
            throw FatalError(text);
        }
        accepted = y;
    }
    *last = accepted;
}

}  // namespace korvel
