#pragma once

namespace korvel {

class CVorlex_2App;

// Timing figures for whoever measures korvel, on standard error, when KORVEL_MEASURE=1 is set:
//   korvel-measure: first-paint EPOCH_MS        the view's first paint
//   korvel-measure: first-step EPOCH_MS         the first tick that ran a playback step
//   korvel-measure: end-of-file MS_SINCE_FIRST_STEP
// with wall-clock times in milliseconds since 1970, so a script can subtract the moment it
// started the program. KORVEL_MEASURE_VIEW=WIDTHxHEIGHT sizes the window so that the view
// gets that client size; KORVEL_MEASURE_SPEED=max selects the speed "max" and
// KORVEL_MEASURE_SELECT=sync the synchronous view. Without KORVEL_MEASURE nothing is installed.
void install_measure_hook(CVorlex_2App& app);

}  // namespace korvel
