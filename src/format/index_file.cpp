#include "format/index_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "common/fatal_error.h"
#include "common/little_endian.h"

namespace korvel {

std::string index_file_path(const std::string& data_path) {
    // Only an ".ab" extension gives way: cutting three characters off any other name
    // (/dev/stdin) would look for the index of an unrelated file (/dev/st.abh).
    // The extension in any letter case, as a file copied from the instrument's disk has it.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    const size_t n = data_path.size();
    const bool has_extension = n >= 3 && data_path[n - 3] == '.' &&
                               lower(data_path[n - 2]) == 'a' && lower(data_path[n - 1]) == 'b';
    const size_t keep = has_extension ? n - 3 : n;
    return data_path.substr(0, keep) + ".abh";
}

void read_index_tables(ByteSource& source, MinuteTable& pos_a, MinuteTable& pos_b) {
    std::vector<uint8_t> bytes(2 * kIndexTableBytes);
    if (source.read_at(0, bytes.data(), kIndexTableBytes) != kIndexTableBytes ||
        source.read_at(kIndexTableBytes, bytes.data() + kIndexTableBytes, kIndexTableBytes) !=
            kIndexTableBytes) {
        throw FatalError("pixfil05");
    }
    for (size_t m = 0; m < size_t{kIndexMinutes}; ++m) {
        pos_a[m] = load_u32(&bytes[4 * m]);
        pos_b[m] = load_u32(&bytes[kIndexTableBytes + 4 * m]);
    }
}

bool index_entry_settled(const MinuteTable& pos_a, const MinuteTable& pos_b, size_t m) {
    // Where a camera has records in the last minute, its table ends with an offset of its
    // own; the other table's end is then the fill, the larger of the two.
    const uint32_t fill = std::max(pos_a.back(), pos_b.back());
    return pos_a[m] < fill && pos_b[m] < fill;
}

size_t index_minute(double start_line, double line_rate) {
    const double per_minute = std::floor(line_rate * 60.0);
    // Minutes of no line at all cannot be counted: the quotient below would be NaN or
    // infinite, whatever the start time. What is wrong is the rate, so that is what is said.
    if (!(per_minute >= 1.0)) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "Line rate of %g lines/s is below one line a minute: the index file's "
                      "minutes cannot be found",
                      line_rate);
        throw FatalError(text);
    }
    const double quotient = start_line / per_minute;
    if (!(quotient >= 0.0 && quotient < static_cast<double>(kIndexMinutes))) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "Start time outside the index file: line %.0f at %g lines/s falls in "
                      "minute %.0f, the index covers minutes 0 to %d",
                      start_line, line_rate, std::floor(quotient), kIndexMinutes - 1);
        throw FatalError(text);
    }
    return static_cast<size_t>(quotient);
}

}  // namespace korvel
