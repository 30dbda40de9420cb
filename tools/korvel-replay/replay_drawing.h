#pragma once

#include <string>

#include "playback/playback_session.h"
#include "playback/playback_view.h"

namespace korvel::replay {

// Drawing for a replay: the view its steps draw on, and what becomes of the picture at the
// end.
class ReplayDrawing {
  public:
    virtual ~ReplayDrawing() = default;
    // The view for the session of this run (it reads the line width and the rest from it).
    virtual PlaybackView& view_for(PlaybackSession& session) = 0;
    // Delivers the picture; false with the reason in error when that fails.
    virtual bool finish(std::string& error) = 0;
};

}  // namespace korvel::replay
