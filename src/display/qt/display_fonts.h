#pragma once

#include <QFont>
#include <QString>

namespace korvel {

// The face both fonts of the display use: "Courier New" where it is installed, otherwise a
// fixed-pitch face with the same metrics (Liberation Mono), so that a status row redrawn with
// a text of the same length covers the old one exactly.
QString display_font_family();

// The status font at a character (em) height of pixel_height device pixels.
QFont status_font(int pixel_height);
// The italic scale font at a cell height (ascent plus descent) of cell_height device pixels.
QFont scale_font(int cell_height);

}  // namespace korvel
