#include "display/status_text.h"

#include "display/truncation.h"

namespace korvel {
namespace {

// Appends v in decimal, zero-padded to at least width digits, as "%0*lu" prints it. The
// rows are formatted hundreds of times a step in the synchronous view, so without printf.
void append_number(std::string& out, uint32_t v, int width) {
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    for (int i = n; i < width; ++i) out.push_back('0');
    while (n > 0) out.push_back(digits[--n]);
}

// Each group goes out as an unsigned 32-bit value: "%01lu.%03lu.%03lu.%03lu".
std::string format_groups(uint32_t g1, uint32_t g2, uint32_t g3, uint32_t g4) {
    std::string text;
    text.reserve(16);
    append_number(text, g1, 1);
    for (const uint32_t g : {g2, g3, g4}) {
        text.push_back('.');
        append_number(text, g, 3);
    }
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
    // "%02lu:%02lu:%02lu.%03lu"
    std::string text;
    text.reserve(16);
    append_number(text, hours, 2);
    text.push_back(':');
    append_number(text, minutes, 2);
    text.push_back(':');
    append_number(text, seconds, 2);
    text.push_back('.');
    append_number(text, millis, 3);
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
