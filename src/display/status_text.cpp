#include "display/status_text.h"

#include <cstdio>

#include "display/truncation.h"

namespace korvel {
namespace {

// Each group goes out as an unsigned 32-bit value, as the row formats print them.
std::string format_groups(uint32_t g1, uint32_t g2, uint32_t g3, uint32_t g4) {
    char text[48];
    std::snprintf(text, sizeof text, "%01lu.%03lu.%03lu.%03lu", static_cast<unsigned long>(g1),
                  static_cast<unsigned long>(g2), static_cast<unsigned long>(g3),
                  static_cast<unsigned long>(g4));
    return text;
}

uint32_t low32(int64_t v) {
    return static_cast<uint32_t>(static_cast<uint64_t>(v));
}

}  // namespace

std::string group_digits(double v) {
    const int64_t g1 = trunc_to_int64(v / 1e9);
    const int64_t g2 = trunc_to_int64(v / 1e6 - static_cast<double>(g1) * 1000.0);
    const int64_t g3 = trunc_to_int64(v / 1000.0 - static_cast<double>(g1) * 1e6 -
                                      static_cast<double>(g2) * 1000.0);
    const int64_t g4 = trunc_to_int64(v) % 1000;
    return format_groups(low32(g1), low32(g2), low32(g3), low32(g4));
}

std::string group_digits(uint32_t p) {
    const uint32_t g1 = p / 1000000000u;
    const uint32_t g2 = p / 1000000u - g1 * 1000u;
    const uint32_t g3 = p / 1000u - g1 * 1000000u - g2 * 1000u;
    return format_groups(g1, g2, g3, p % 1000u);
}

std::string time_of_line(double y, double rate) {
    const uint32_t hours = low32(trunc_to_int64(y / (3600.0 * rate)));
    const uint32_t minutes = low32(trunc_to_int64(y / (60.0 * rate))) % 60u;
    const uint32_t seconds = low32(trunc_to_int64(y / rate)) % 60u;
    const uint32_t millis = low32(trunc_to_int64(y / (rate / 1000.0))) % 1000u;
    char text[48];
    std::snprintf(text, sizeof text, "%02lu:%02lu:%02lu.%03lu", static_cast<unsigned long>(hours),
                  static_cast<unsigned long>(minutes), static_cast<unsigned long>(seconds),
                  static_cast<unsigned long>(millis));
    return text;
}

std::string line_row(double y) {
    return "line          = " + group_digits(y);
}

std::string time_row(double y, double rate) {
    return "time          =  " + time_of_line(y, rate);
}

std::string total_lines_row(double total) {
    return "total lines   = " + group_digits(total);
}

std::string file_position_row(uint32_t pos) {
    return "file position = " + group_digits(pos);
}

int status_font_height(int dpi) {
    return -(dpi * 24 / 72);
}

}  // namespace korvel
