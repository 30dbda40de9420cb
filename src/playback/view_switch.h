#pragma once

#include <cstdint>

namespace korvel {

// The values of PlaybackSession::view_switch, the marker the view commands leave for the
// synchronous drawing. Only kViewSwitchToSync is acted upon: the first synchronous drawing
// after it wipes the asynchronous status blocks and sets kViewSwitchDone.
inline constexpr int16_t kViewSwitchDone = 0;     // the synchronous drawing has cleaned up
inline constexpr int16_t kViewSwitchToSync = 1;   // Synchrone View was chosen
inline constexpr int16_t kViewSwitchToAsync = 2;  // Asynchrone View was chosen; at start-up

}  // namespace korvel
