#pragma once

#include "display/canvas.h"
#include "playback/playback_session.h"
#include "playback/playback_view.h"

namespace korvel {

// The drawing the playback step asks for, on a canvas: the scale, the asynchronous view's
// records and the synchronous view's matching outcomes. Reads the line width, the line rate,
// the totals and the read positions from the session at every call; clears view_switch once
// the synchronous view has wiped the asynchronous status blocks.
class DisplayView : public PlaybackView {
  public:
    DisplayView(PlaybackSession& session, Canvas& canvas) : session_(session), canvas_(canvas) {}

    void DrawScale() override;
    void DrawCameraLines(Camera camera, int16_t n, const DecodeContext& ctx) override;
    void DrawMatch(const Particle* a, const Particle* b, int matched) override;

  private:
    PlaybackSession& session_;
    Canvas& canvas_;
};

}  // namespace korvel
