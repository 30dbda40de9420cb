#include "overview_png.h"

namespace korvel::replay {

// The build without Qt has no painter to draw with.
bool write_overview_png(const MinuteStatistics&, const std::string&, int, int, const std::string&,
                        std::string& error) {
    error = "--overview needs the build with Qt; this korvel-replay was built without it";
    return false;
}

}  // namespace korvel::replay
