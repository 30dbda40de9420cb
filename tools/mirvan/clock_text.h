#pragma once

#include <QString>
#include <cmath>
#include <cstdio>

namespace korvel::mirvan {

// A line number as the time of day it stands for, to the millisecond (lines count scan
// lines since midnight); as a line number where the rate gives no time of day (a line
// number below zero or beyond two days, which only a damaged file holds).
inline QString clock_text(double line, double rate) {
    const double seconds = line / rate;
    if (!(rate > 0.0) || !std::isfinite(seconds) || seconds < 0.0 || seconds >= 86400.0 * 2) {
        return QStringLiteral("line %1").arg(line, 0, 'f', 0);
    }
    const long ms = static_cast<long>(seconds * 1000.0);
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld.%03ld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    return text;
}

}  // namespace korvel::mirvan
