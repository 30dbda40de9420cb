#pragma once

#include <cstdint>

#include "common/camera.h"
#include "particles/decode_context.h"
#include "particles/particle.h"

namespace korvel {

// What the view remembers of playback: the scan-line numbers at the top of its drawings. A
// fresh start sets them all to 0.
struct ViewPlaybackState {
    double m_scrollBaseA = 0.0;
    double m_scrollBaseB = 0.0;
    double m_scrollBaseSync = 0.0;
};

// The drawing the playback step asks of the view. The Qt view draws; headless runs use
// NullPlaybackView, which draws nothing.
class PlaybackView {
  public:
    virtual ~PlaybackView() = default;

    ViewPlaybackState& playback_state() { return state_; }
    const ViewPlaybackState& playback_state() const { return state_; }

    // Called at a file's fresh start; a view that keeps more drawing state resets it too.
    virtual void reset_playback_state() { state_ = ViewPlaybackState{}; }

    virtual void DrawScale() = 0;
    // One record of a camera: its n lines stand at ctx.lines, its surviving
    // particles in the camera's assign queue.
    virtual void DrawCameraLines(Camera camera, int16_t n, const DecodeContext& ctx) = 0;
    // One matching decision; a or b may be null; matched is 1 for an accepted pair.
    virtual void DrawMatch(const Particle* a, const Particle* b, int matched) = 0;

  private:
    ViewPlaybackState state_;
};

class NullPlaybackView : public PlaybackView {
  public:
    void DrawScale() override {}
    void DrawCameraLines(Camera, int16_t, const DecodeContext&) override {}
    void DrawMatch(const Particle*, const Particle*, int) override {}
};

}  // namespace korvel
