#pragma once

#include <cstdint>

#include "common/camera.h"
#include "matching/camera_matching.h"
#include "particles/particle_assembly.h"

namespace korvel {

// A camera record as the playback step decoded it.
struct DecodedRecordEvent {
    Camera camera = Camera::A;
    uint32_t pos = 0;  // byte offset of the record's type field
    int16_t n = 0;     // lines decoded
    double y_first = 0.0;
    double y_last = 0.0;
    bool handed_on = false;  // assembled, checked and counted
};

// Everything a playback step does, for headless tools that report it: every decoded record
// (before it is assembled), every particle moved to a wait queue and every matching decision,
// in every view.
class PlaybackObserver : public WaitSink, public MatchSink {
  public:
    virtual void on_record(const DecodedRecordEvent& event) = 0;
};

}  // namespace korvel
