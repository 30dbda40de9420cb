#include "commands/window_title.h"

#include <cstdio>

namespace korvel {

std::string window_title(const std::string& name, const CivilDate& date) {
    // The name goes in as it stands, whatever its length; the date is YYYY/MM/DD; each part is
    // followed by three blanks.
    char day[64];
    std::snprintf(day, sizeof day, "%.4d/%.2d/%.2d   ", date.year, date.month, date.day);
    return "PLUVARIC   KORVEL   " + name + "   " + day;
}

std::string title_name(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.size() < 3 ? std::string() : name.substr(0, name.size() - 3);
}

}  // namespace korvel
