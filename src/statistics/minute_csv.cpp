#include "statistics/minute_csv.h"

#include <cstdio>

namespace korvel {
namespace {

void append_row(std::string& out, const std::string* file_name, int64_t minute,
                const MinuteCounts& c) {
    if (file_name != nullptr) {
        out += csv_field(*file_name);
        out += ',';
    }
    out += minute_label(minute);
    char numbers[256];
    std::snprintf(numbers, sizeof numbers, ",%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld\n",
                  static_cast<long long>(c.records_a), static_cast<long long>(c.records_b),
                  static_cast<long long>(c.lines_a), static_cast<long long>(c.lines_b),
                  static_cast<long long>(c.waited_a), static_cast<long long>(c.waited_b),
                  static_cast<long long>(c.pairs), static_cast<long long>(c.rejects),
                  static_cast<long long>(c.drops_a), static_cast<long long>(c.drops_b));
    out += numbers;
}

}  // namespace

std::string minute_csv_header(bool with_file) {
    std::string header = with_file ? "file," : "";
    header +=
        "time,records_a,records_b,lines_a,lines_b,waited_a,waited_b,pairs,rejects,drops_a,"
        "drops_b\n";
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

std::string csv_field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

void append_minute_rows(std::string& out, const MinuteStatistics& stats,
                        const std::string* file_name) {
    const MinuteCounts empty;
    bool first = true;
    int64_t previous = 0;
    for (const auto& [minute, counts] : stats.minutes()) {
        if (!first && minute - previous - 1 <= kMaxFilledGap) {
            for (int64_t m = previous + 1; m < minute; ++m) append_row(out, file_name, m, empty);
        }
        append_row(out, file_name, minute, counts);
        previous = minute;
        first = false;
    }
}

}  // namespace korvel
