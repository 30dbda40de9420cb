#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace korvel::test {

// An abgen recording of rain from 12:00:00 in dir, written by the built abgen program.
std::string abgen_recording(const TempDir& dir, const std::string& name, int seconds,
                            int drops_per_second = 50);

// How many pixels of img, within columns [x0, x1), have the colour.
int count_colour(const QImage& img, QRgb colour, int x0, int x1);

}  // namespace korvel::test
