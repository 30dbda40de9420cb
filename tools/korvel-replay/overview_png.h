#pragma once

#include <string>

#include "statistics/minute_statistics.h"

namespace korvel::replay {

// Draws the timeline picture of stats at width x height pixels and writes it to path as PNG.
// Returns false with the reason in error when it can't (also in a build without Qt).
bool write_overview_png(const MinuteStatistics& stats, const std::string& recording_name, int width,
                        int height, const std::string& path, std::string& error);

}  // namespace korvel::replay
