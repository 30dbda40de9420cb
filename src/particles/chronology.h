#pragma once

#include "common/camera.h"
#include "particles/decode_context.h"
#include "particles/particle.h"

namespace korvel {

// Every particle of the list (walked from oldest through newer) must have a y_first not below
// the oldest particle's. Raises FatalError(" <list_name> <letter> -> Chronology - Error ").
void check_queue_order(const char* list_name, char list_letter, const Particle* oldest);

// The lines of the record just handed on (ctx.line_count lines at ctx.lines) must rise
// strictly above the camera's last accepted line (m_oldA for camera A, m_oldB for camera B).
// Raises FatalError("neg. time jump in A" / "... B").
void check_line_order(DecodeContext& ctx, Camera camera);

}  // namespace korvel
