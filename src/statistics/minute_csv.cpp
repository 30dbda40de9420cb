#include "statistics/minute_csv.h"

#include <cstdio>
#include <string_view>

#include "common/utf8.h"

namespace korvel {
namespace {

std::string make_row(const std::string& file_field, int64_t minute, const MinuteCounts& c) {
    std::string out = file_field;
    out += minute_label(minute);
    char number[32];
    for (const int64_t value : minute_count_values(c)) {
        std::snprintf(number, sizeof number, ",%lld", static_cast<long long>(value));
        out += number;
    }
    out += '\n';
    return out;
}

}  // namespace

std::array<int64_t, 10> minute_count_values(const MinuteCounts& c) {
    return {c.records_a, c.records_b, c.lines_a, c.lines_b, c.waited_a,
            c.waited_b,  c.pairs,     c.rejects, c.drops_a, c.drops_b};
}

std::string minute_csv_header(bool with_file) {
    std::string header = with_file ? "file,time" : "time";
    for (const char* column : kMinuteCountColumns) {
        header += ',';
        header += column;
    }
    header += '\n';
    return header;
}

std::string minute_label(int64_t minute) {
    const bool before_midnight = minute < 0;
    // Minutes are held within +-2^50 (minute_of_line), so the negation cannot overflow.
    const long long m = before_midnight ? -minute : minute;
    char text[48];
    std::snprintf(text, sizeof text, "%s%02lld:%02lld", before_midnight ? "-" : "", m / 60, m % 60);
    return text;
}

std::string csv_field(const std::string& raw) {
    std::string text;
    for (size_t i = 0; i < raw.size();) {
        const size_t len = utf8_sequence_length(std::string_view(raw).substr(i));
        if (raw[i] == '\\') {
            // Doubled, so that a name holding the six characters \u00e9 is not read as the
            // escape of the byte 0xE9.
            text += "\\\\";
            ++i;
        } else if (len == 0) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(raw[i]));
            text += escape;
            ++i;
        } else {
            text.append(raw, i, len);
            i += len;
        }
    }
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

void for_each_minute(const MinuteStatistics& stats,
                     const std::function<void(int64_t minute, const MinuteCounts&)>& visit) {
    const MinuteCounts empty;
    const auto in_day = [](int64_t m) { return m >= 0 && m <= kLastFilledMinute; };
    bool first = true;
    int64_t previous = 0;
    for (const auto& [minute, counts] : stats.minutes()) {
        if (!first && in_day(previous) && in_day(minute)) {
            for (int64_t m = previous + 1; m < minute; ++m) visit(m, empty);
        }
        visit(minute, counts);
        previous = minute;
        first = false;
    }
}

void for_each_minute_row(const MinuteStatistics& stats, const std::string* file_name,
                         const std::function<void(const std::string&)>& row) {
    const std::string file_field = file_name != nullptr ? csv_field(*file_name) + "," : "";
    for_each_minute(stats, [&](int64_t minute, const MinuteCounts& counts) {
        row(make_row(file_field, minute, counts));
    });
}

void append_minute_rows(std::string& out, const MinuteStatistics& stats,
                        const std::string* file_name) {
    for_each_minute_row(stats, file_name, [&out](const std::string& row) { out += row; });
}

}  // namespace korvel
